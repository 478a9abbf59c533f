// IDispatch through the type library, with the arguments brought to the parameters' types.
#include "dispatch.h"

#include <oleauto.h>

#include <memory>

#include "B3EdtSvr_h.h"
#include "error_info.h"
#include "module.h"
#include "platform/native_path.h"
#include "server_internal.h"

namespace b3::com {
namespace {

bool IsScalar(VARTYPE type) {
    return type == VT_I2 || type == VT_I4 || type == VT_BSTR;
}

// A failed conversion as a script shows it: 6 "Overflow" or 13 "Type mismatch".
HRESULT ConversionFailure(HRESULT hr, EXCEPINFO* exception) {
    const std::int32_t number = hr == DISP_E_OVERFLOW ? kErrOverflow : kErrTypeMismatch;
    try {
        const Error error = detail::PlatformError(number, "B3EdtSvr");
        const HRESULT failure = ReportError(error);
        if (exception == nullptr) return failure;
        *exception = EXCEPINFO{};
        exception->scode = failure;
        exception->bstrSource = ::SysAllocString(platform::WideFromUtf8(error.source()).c_str());
        exception->bstrDescription =
            ::SysAllocString(platform::WideFromUtf8(error.description()).c_str());
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace

Dispatcher::~Dispatcher() {
    if (vtableInfo_) vtableInfo_->Release();
    if (dispatchInfo_) dispatchInfo_->Release();
}

HRESULT Dispatcher::Load() {
    ITypeLib* library = nullptr;
    HRESULT hr = LoadModuleTypeLib(&library);
    if (FAILED(hr)) return hr;
    hr = library->GetTypeInfoOfGuid(::IID__CEditObject, &dispatchInfo_);
    library->Release();
    if (FAILED(hr)) return hr;

    // A dual interface's type information is its dispatch view; calls go through the vtable view.
    HREFTYPE vtableRef = 0;
    hr = dispatchInfo_->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef);
    if (SUCCEEDED(hr)) hr = dispatchInfo_->GetRefTypeInfo(vtableRef, &vtableInfo_);
    if (FAILED(hr)) return hr;

    TYPEATTR* attributes = nullptr;
    hr = vtableInfo_->GetTypeAttr(&attributes);
    if (FAILED(hr)) return hr;
    const WORD functions = attributes->cFuncs;
    vtableInfo_->ReleaseTypeAttr(attributes);
    for (UINT i = 0; i < functions; ++i) {
        FUNCDESC* function = nullptr;
        hr = vtableInfo_->GetFuncDesc(i, &function);
        if (FAILED(hr)) return hr;
        Member member;
        member.kind = function->invkind;
        for (SHORT p = 0; p < function->cParams; ++p) {
            const ELEMDESC& element = function->lprgelemdescParam[p];
            Parameter parameter;
            parameter.byReference = element.tdesc.vt == VT_PTR;
            parameter.type = parameter.byReference && element.tdesc.lptdesc
                                 ? element.tdesc.lptdesc->vt
                                 : element.tdesc.vt;
            parameter.returnValue = (element.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0;
            member.parameters.push_back(parameter);
        }
        members_[function->memid] = std::move(member);
        vtableInfo_->ReleaseFuncDesc(function);
    }
    return S_OK;
}

HRESULT Dispatcher::GetTypeInfo(UINT index, ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    dispatchInfo_->AddRef();
    *info = dispatchInfo_;
    return S_OK;
}

HRESULT Dispatcher::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
    return ::DispGetIDsOfNames(vtableInfo_, names, count, ids);
}

HRESULT Dispatcher::Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT* argumentError) {
    const auto member = members_.find(id);
    if (member == members_.end()) return DISP_E_MEMBERNOTFOUND;
    if (params == nullptr) return E_INVALIDARG;
    const std::vector<Parameter>& parameters = member->second.parameters;
    // A property with arguments called as a method (JScript calls it so) reads the property.
    if ((flags & DISPATCH_METHOD) && member->second.kind == INVOKE_PROPERTYGET) {
        flags |= DISPATCH_PROPERTYGET;
    }
    const UINT count = params->cArgs;
    const UINT named = params->cNamedArgs;

    // The arguments as passed, with converted temporaries in place of those of another type.
    std::vector<VARIANT> arguments(params->rgvarg, params->rgvarg + count);
    std::vector<VARIANT> converted(count);
    for (VARIANT& v : converted) ::VariantInit(&v);
    struct Cleanup {
        std::vector<VARIANT>& values;
        ~Cleanup() {
            for (VARIANT& v : values) ::VariantClear(&v);
        }
    } cleanup{converted};

    for (UINT i = 0; i < count; ++i) {
        // Named arguments come first; the positional ones follow, the last parameter first.
        const LONG index =
            i < named ? params->rgdispidNamedArgs[i] : static_cast<LONG>(count - 1 - i);
        if (index < 0 || static_cast<std::size_t>(index) >= parameters.size()) continue;
        const Parameter& parameter = parameters[static_cast<std::size_t>(index)];
        if (parameter.returnValue) continue;
        VARIANT& argument = arguments[i];
        if (parameter.type == VT_VARIANT) {
            // A VARIANT by reference: anything passed by value is handed over as a reference.
            if (parameter.byReference && V_VT(&argument) != (VT_BYREF | VT_VARIANT)) {
                V_VT(&argument) = VT_BYREF | VT_VARIANT;
                V_VARIANTREF(&argument) = &params->rgvarg[i];
            }
            continue;
        }
        if (!IsScalar(parameter.type)) continue;
        const VARTYPE wanted = parameter.byReference ? (VT_BYREF | parameter.type) : parameter.type;
        if (V_VT(&argument) == wanted) continue;
        // The value itself (references followed), then converted to the parameter's type.
        VARIANT& temporary = converted[i];
        HRESULT hr = ::VariantCopyInd(&temporary, &params->rgvarg[i]);
        while (SUCCEEDED(hr) && V_VT(&temporary) == (VT_BYREF | VT_VARIANT)) {
            VARIANT inner;
            ::VariantInit(&inner);
            hr = ::VariantCopyInd(&inner, V_VARIANTREF(&temporary));
            ::VariantClear(&temporary);
            temporary = inner;
        }
        if (SUCCEEDED(hr)) hr = ::VariantChangeType(&temporary, &temporary, 0, parameter.type);
        if (FAILED(hr)) {
            if (argumentError) *argumentError = i;
            return ConversionFailure(hr, exception);
        }
        if (parameter.byReference) {
            // The value's storage, the same for a short, a long and a BSTR.
            V_VT(&argument) = VT_BYREF | parameter.type;
            V_BYREF(&argument) = &V_I4(&temporary);
        } else {
            argument = temporary;  // still owned (and cleared) by `converted`
        }
    }

    DISPPARAMS call = *params;
    call.rgvarg = arguments.data();
    return ::DispInvoke(object, vtableInfo_, id, flags, &call, result, exception, argumentError);
}

}  // namespace b3::com
