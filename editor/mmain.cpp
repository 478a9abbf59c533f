#include "editor/mmain.h"

namespace b3::editor {

void EditObjectHolder::CreateEditObject() {
    object_.reset();
    object_ = b3::CreateObject(b3::CLSID_CEditObject, options_);
}

b3::_CEditObject& EditObjectHolder::EditObject() const {
    if (!object_) {
        throw b3::Error(91, "", "Object variable or With block variable not set");
    }
    return *object_;
}

}  // namespace b3::editor
