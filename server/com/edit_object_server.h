// The COM object of class CEditObject: the dual interface _CEditObject over the server's own
// CEditObject, with ISupportErrorInfo. Members keep their vtable slots and dispatch ids.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <memory>

#include "B3EdtSvr_h.h"
#include "b3/edit_object.h"
#include "dispatch.h"

namespace b3::com {

class EditObjectServer final : public ::_CEditObject, public ISupportErrorInfo {
public:
    // Creates the object (construction reads the whole installation) and hands out interface
    // `iid`; a failure is returned with its error info.
    static HRESULT Create(REFIID iid, void** object);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    // _CEditObject, in slot order
    HRESULT STDMETHODCALLTYPE get_NumEditObjects(LONG* Index, LONG* Count) override;
    HRESULT STDMETHODCALLTYPE get_SitePath(BSTR* Path) override;
    HRESULT STDMETHODCALLTYPE get_SpellPath(BSTR* Path) override;
    HRESULT STDMETHODCALLTYPE get_HeroPath(BSTR* Path) override;
    HRESULT STDMETHODCALLTYPE get_ArmyPath(BSTR* Path) override;
    HRESULT STDMETHODCALLTYPE get_ItemPath(BSTR* Path) override;
    HRESULT STDMETHODCALLTYPE get_InstallPath(BSTR* Path) override;
    HRESULT STDMETHODCALLTYPE CopyPictureTemplate(LONG* PictureType, BSTR* FileName) override;
    HRESULT STDMETHODCALLTYPE get_GetEditObjectData(LONG* DataType, VARIANT* Data) override;
    HRESULT STDMETHODCALLTYPE WriteObject(VARIANT* DataToWrite, LONG* ObjectType) override;
    HRESULT STDMETHODCALLTYPE PrintReport(BSTR* Path, LONG* WhichType) override;
    HRESULT STDMETHODCALLTYPE ConvertPowerTypeToName(SHORT* Index, BSTR* Name) override;
    HRESULT STDMETHODCALLTYPE ConvertSoundToName(SHORT* Index, BSTR* Name) override;
    HRESULT STDMETHODCALLTYPE ConvertFacingToName(SHORT* Index, BSTR* Name) override;
    HRESULT STDMETHODCALLTYPE ConvertShortName(BSTR ShortName, VARIANT* ItemDataArray,
                                               VARIANT* Names) override;
    HRESULT STDMETHODCALLTYPE ConvertArmyShortName(BSTR ShortName, VARIANT* Names) override;
    HRESULT STDMETHODCALLTYPE ShortNameFromPath(BSTR Path, LONG PathType, BSTR* ShortName) override;
    HRESULT STDMETHODCALLTYPE Delete(LONG* WhichType, BSTR* ShortName) override;
    HRESULT STDMETHODCALLTYPE get_PicsPath(BSTR* Path) override;

private:
    explicit EditObjectServer(std::unique_ptr<b3::_CEditObject> object);
    ~EditObjectServer();

    // Hands out one of the folder texts.
    HRESULT Text(BSTR* out, const char* source, std::string (b3::_CEditObject::*member)() const);

    LONG references_ = 1;
    std::unique_ptr<b3::_CEditObject> object_;
    Dispatcher dispatcher_;
};

}  // namespace b3::com
