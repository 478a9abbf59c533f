// The editor's edit object and the options it is made with: created before the main window is
// shown, re-created after every save and delete, released at exit. The program's main owns one
// and hands it to the main window.
#pragma once

#include <memory>
#include <string>

#include "b3/edit_object.h"

namespace b3::editor {

class EditObjectHolder {
public:
    explicit EditObjectHolder(b3::CreateOptions options = {}) : options_(std::move(options)) {}
    EditObjectHolder(const EditObjectHolder&) = delete;
    EditObjectHolder& operator=(const EditObjectHolder&) = delete;

    // Where the edit object finds the installation (the registry store unless told otherwise).
    void SetCreateOptions(const b3::CreateOptions& options) { options_ = options; }
    const b3::CreateOptions& CreateOptions() const { return options_; }
    // Takes `folder` as the installation folder from now on; the other options stay.
    void UseInstallFolder(const std::string& folder) { options_.installFolder = folder; }

    // Creates (or re-creates) the object; throws the server's failure.
    void CreateEditObject();
    void ReleaseEditObject() { object_.reset(); }
    bool HasEditObject() const { return object_ != nullptr; }
    // The object; fails with number 91 when there is none.
    b3::_CEditObject& EditObject() const;

private:
    b3::CreateOptions options_;
    std::unique_ptr<b3::_CEditObject> object_;
};

}  // namespace b3::editor
