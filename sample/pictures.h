// The suite's own small pictures: the two templates for new armies and sites, and the portraits
// of the sample installation. Each portrait is drawn from its object's short name, so every object
// gets its own colours and emblem and the same name always gives the same picture.
#pragma once

#include <string_view>

#include "formats/pcx.h"

namespace b3::pcx {

// 48 x 48: a grey soldier silhouette with a yellow "new" star.
Picture NewArmyTemplate();
// 48 x 48: a grey tower silhouette with a yellow "new" star.
Picture NewSiteTemplate();

Picture ArmyPortrait(std::string_view shortName);
Picture HeroPortrait(std::string_view shortName, bool female);
Picture SitePortrait(std::string_view shortName);

}  // namespace b3::pcx
