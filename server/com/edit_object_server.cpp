// The COM object of class CEditObject: each member converts its arguments, calls the server's
// CEditObject and converts the result; every failure returns as an HRESULT with error info.
#include "edit_object_server.h"

#include <new>

#include "error_info.h"
#include "module.h"
#include "variants.h"

namespace b3::com {

HRESULT EditObjectServer::Create(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    // Construction reads the installation; its failures carry their own numbers and sources.
    std::unique_ptr<b3::_CEditObject> inner;
    HRESULT hr = Guarded("CEditObject::Class_Initialize",
                         [&] { inner = b3::CreateObject(b3::CLSID_CEditObject); });
    if (FAILED(hr)) return hr;
    auto* server = new (std::nothrow) EditObjectServer(std::move(inner));
    if (server == nullptr) return E_OUTOFMEMORY;
    try {
        hr = server->dispatcher_.Load();
    } catch (...) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        server->Release();
        return Guarded("B3EdtSvr", [&] {
            throw Error(static_cast<std::int32_t>(hr), "B3EdtSvr",
                        "The type library embedded in B3EdtSvr.dll cannot be read; reinstall the "
                        "edit server.");
        });
    }
    hr = server->QueryInterface(iid, object);
    server->Release();
    return hr;
}

EditObjectServer::EditObjectServer(std::unique_ptr<b3::_CEditObject> object)
    : object_(std::move(object)) {
    ObjectCreated();
}

EditObjectServer::~EditObjectServer() {
    ObjectDestroyed();
}

// ---------------------------------------------------------------------------------------------
// IUnknown, IDispatch, ISupportErrorInfo

HRESULT EditObjectServer::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDispatch) ||
        ::IsEqualIID(iid, ::IID__CEditObject)) {
        *object = static_cast<::_CEditObject*>(this);
    } else if (::IsEqualIID(iid, IID_ISupportErrorInfo)) {
        *object = static_cast<ISupportErrorInfo*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG EditObjectServer::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
}

ULONG EditObjectServer::Release() {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT EditObjectServer::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT EditObjectServer::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    return dispatcher_.GetTypeInfo(index, info);
}

HRESULT EditObjectServer::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                        DISPID* ids) {
    if (!::IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return dispatcher_.GetIDsOfNames(names, count, ids);
}

HRESULT EditObjectServer::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    if (!::IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    try {
        return dispatcher_.Invoke(static_cast<::_CEditObject*>(this), id, flags, params, result,
                                  exception, argumentError);
    } catch (...) {
        return ReportCurrentException("B3EdtSvr");
    }
}

HRESULT EditObjectServer::InterfaceSupportsErrorInfo(REFIID iid) {
    return ::IsEqualIID(iid, ::IID__CEditObject) || ::IsEqualIID(iid, IID_IDispatch) ? S_OK
                                                                                     : S_FALSE;
}

// ---------------------------------------------------------------------------------------------
// _CEditObject

HRESULT EditObjectServer::get_NumEditObjects(LONG* Index, LONG* Count) {
    if (Index == nullptr || Count == nullptr) return E_POINTER;
    return Guarded("B3EdtSvr",
                   [&] { *Count = object_->NumEditObjects(static_cast<std::int32_t>(*Index)); });
}

HRESULT EditObjectServer::Text(BSTR* out, const char* source,
                               std::string (b3::_CEditObject::*member)() const) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Guarded(source, [&] { *out = MakeBstr((object_.get()->*member)()); });
}

HRESULT EditObjectServer::get_SitePath(BSTR* Path) {
    return Text(Path, "CEditObject::SitePath", &b3::_CEditObject::SitePath);
}

HRESULT EditObjectServer::get_SpellPath(BSTR* Path) {
    return Text(Path, "CEditObject::SpellPath", &b3::_CEditObject::SpellPath);
}

HRESULT EditObjectServer::get_HeroPath(BSTR* Path) {
    return Text(Path, "CEditObject::HeroPath", &b3::_CEditObject::HeroPath);
}

HRESULT EditObjectServer::get_ArmyPath(BSTR* Path) {
    return Text(Path, "CEditObject::ArmyPath", &b3::_CEditObject::ArmyPath);
}

HRESULT EditObjectServer::get_ItemPath(BSTR* Path) {
    return Text(Path, "CEditObject::ItemPath", &b3::_CEditObject::ItemPath);
}

HRESULT EditObjectServer::get_InstallPath(BSTR* Path) {
    return Text(Path, "CEditObject::InstallPath", &b3::_CEditObject::InstallPath);
}

HRESULT EditObjectServer::CopyPictureTemplate(LONG* PictureType, BSTR* FileName) {
    if (PictureType == nullptr || FileName == nullptr) return E_POINTER;
    return Guarded("CEditObject::CopyPictureTemplate", [&] {
        object_->CopyPictureTemplate(static_cast<std::int32_t>(*PictureType),
                                     Utf8FromBstr(*FileName));
    });
}

HRESULT EditObjectServer::get_GetEditObjectData(LONG* DataType, VARIANT* Data) {
    if (DataType == nullptr || Data == nullptr) return E_POINTER;
    ::VariantInit(Data);
    return Guarded("CEditObject::GetEditObjectData", [&] {
        DataArrayToVariant(object_->GetEditObjectData(static_cast<std::int32_t>(*DataType)), Data);
    });
}

HRESULT EditObjectServer::WriteObject(VARIANT* DataToWrite, LONG* ObjectType) {
    if (DataToWrite == nullptr || ObjectType == nullptr) return E_POINTER;
    // Another kind code writes nothing, whatever the array holds.
    if (*ObjectType < 0 || *ObjectType >= kKindCount) return S_OK;
    return Guarded("CEditObject::WriteObject", [&] {
        const ObjectArray object = ObjectArrayFromVariant(*DataToWrite, "CEditObject::WriteObject");
        object_->WriteObject(object, static_cast<std::int32_t>(*ObjectType));
    });
}

HRESULT EditObjectServer::PrintReport(BSTR* Path, LONG* WhichType) {
    if (Path == nullptr || WhichType == nullptr) return E_POINTER;
    return Guarded("CEditObject::PrintReport", [&] {
        object_->PrintReport(Utf8FromBstr(*Path), static_cast<std::int32_t>(*WhichType));
    });
}

HRESULT EditObjectServer::ConvertPowerTypeToName(SHORT* Index, BSTR* Name) {
    if (Index == nullptr || Name == nullptr) return E_POINTER;
    *Name = nullptr;
    return Guarded("CEditObject::ConvertPowerTypeToName", [&] {
        *Name = MakeBstr(object_->ConvertPowerTypeToName(std::int16_t{*Index}));
    });
}

HRESULT EditObjectServer::ConvertSoundToName(SHORT* Index, BSTR* Name) {
    if (Index == nullptr || Name == nullptr) return E_POINTER;
    *Name = nullptr;
    return Guarded("CEditObject::ConvertSoundToName",
                   [&] { *Name = MakeBstr(object_->ConvertSoundToName(std::int16_t{*Index})); });
}

HRESULT EditObjectServer::ConvertFacingToName(SHORT* Index, BSTR* Name) {
    if (Index == nullptr || Name == nullptr) return E_POINTER;
    *Name = nullptr;
    return Guarded("CEditObject::ConvertFacingToName",
                   [&] { *Name = MakeBstr(object_->ConvertFacingToName(std::int16_t{*Index})); });
}

HRESULT EditObjectServer::ConvertShortName(BSTR ShortName, VARIANT* ItemDataArray, VARIANT* Names) {
    if (ItemDataArray == nullptr || Names == nullptr) return E_POINTER;
    ::VariantInit(Names);
    return Guarded("CEditObject::ConvertShortName", [&] {
        const DataArray items =
            DataArrayFromVariant(*ItemDataArray, "CEditObject::ConvertShortName");
        ObjectArrayToVariant(object_->ConvertShortName(Utf8FromBstr(ShortName), items), Names);
    });
}

HRESULT EditObjectServer::ConvertArmyShortName(BSTR ShortName, VARIANT* Names) {
    if (Names == nullptr) return E_POINTER;
    ::VariantInit(Names);
    return Guarded("CEditObject::ConvertArmyShortName", [&] {
        ObjectArrayToVariant(object_->ConvertArmyShortName(Utf8FromBstr(ShortName)), Names);
    });
}

HRESULT EditObjectServer::ShortNameFromPath(BSTR Path, LONG PathType, BSTR* ShortName) {
    if (ShortName == nullptr) return E_POINTER;
    *ShortName = nullptr;
    return Guarded("CEditObject::ShortNameFromPath", [&] {
        *ShortName = MakeBstr(
            object_->ShortNameFromPath(Utf8FromBstr(Path), static_cast<std::int32_t>(PathType)));
    });
}

HRESULT EditObjectServer::Delete(LONG* WhichType, BSTR* ShortName) {
    if (WhichType == nullptr || ShortName == nullptr) return E_POINTER;
    return Guarded("CEditObject::Delete", [&] {
        object_->Delete(static_cast<std::int32_t>(*WhichType), Utf8FromBstr(*ShortName));
    });
}

HRESULT EditObjectServer::get_PicsPath(BSTR* Path) {
    return Text(Path, "CEditObject::PicsPath", &b3::_CEditObject::PicsPath);
}

}  // namespace b3::com
