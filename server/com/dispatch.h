// Late binding for the dual interface: IDispatch driven by the embedded type library. Before a
// call is dispatched, arguments whose type differs from the parameter's are converted as a
// script expects (a script variable arrives as a reference to a VARIANT), so that literals and
// variables both work and a wrong type fails with "Type mismatch" instead of reaching the server.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <map>
#include <vector>

namespace b3::com {

class Dispatcher {
public:
    Dispatcher() = default;
    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    // Reads the interface's type information from the module's type library.
    HRESULT Load();

    HRESULT GetTypeInfo(UINT index, ITypeInfo** info);
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
    // Calls member `id` of `object` (the interface's vtable) with the arguments converted.
    HRESULT Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argumentError);

private:
    struct Parameter {
        VARTYPE type = VT_EMPTY;  // the parameter's type, or what it points to when by reference
        bool byReference = false;
        bool returnValue = false;
    };

    struct Member {
        INVOKEKIND kind = INVOKE_FUNC;
        std::vector<Parameter> parameters;
    };

    ITypeInfo* dispatchInfo_ = nullptr;  // what GetTypeInfo hands out
    ITypeInfo* vtableInfo_ = nullptr;    // the dual interface's vtable view, which Invoke calls
    std::map<MEMBERID, Member> members_;
};

}  // namespace b3::com
