#include "editor/mmain.h"

namespace b3::editor::MMain {

namespace {
std::unique_ptr<b3::_CEditObject> g_editObject;
b3::CreateOptions g_options;
}  // namespace

void SetCreateOptions(const b3::CreateOptions& options) {
    g_options = options;
}
const b3::CreateOptions& CreateOptions() {
    return g_options;
}

void CreateEditObject() {
    g_editObject.reset();
    g_editObject = b3::CreateObject(b3::CLSID_CEditObject, g_options);
}

void ReleaseEditObject() {
    g_editObject.reset();
}

bool HasEditObject() {
    return g_editObject != nullptr;
}

b3::_CEditObject& EditObject() {
    if (!g_editObject) {
        throw b3::Error(91, "", "Object variable or With block variable not set");
    }
    return *g_editObject;
}

}  // namespace b3::editor::MMain
