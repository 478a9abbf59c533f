// A C++ client of the registered edit server, run under Wine by com_server_test.sh after
// regsvr32: creates CEditObject by its class identifier, checks the type library's slots and
// dispatch ids, calls members through the vtable and through IDispatch::Invoke by dispatch id,
// and checks the error info of failures, the class factory and the module's unload answer.
//
// Usage: b3_com_client.exe installed INSTALL-FOLDER | missing
#include <windows.h>

#include <oaidl.h>
#include <ocidl.h>
#include <oleauto.h>
#include <shellapi.h>

#include <initguid.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "B3EdtSvr_h.h"

namespace {

std::wstring g_mode;    // "installed" or "missing"
std::wstring g_folder;  // the registered installation folder

// An owned BSTR.
struct Bstr {
    BSTR text = nullptr;
    Bstr() = default;
    explicit Bstr(const wchar_t* t) : text(::SysAllocString(t)) {}
    ~Bstr() { ::SysFreeString(text); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    std::wstring str() const { return text ? std::wstring(text, ::SysStringLen(text)) : L""; }
};

// An owned VARIANT.
struct Variant {
    VARIANT v;
    Variant() { ::VariantInit(&v); }
    ~Variant() { ::VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

// This thread's error info after a failure: source and description.
std::pair<std::wstring, std::wstring> LastErrorInfo() {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) != S_OK || info == nullptr) return {L"(none)", L"(none)"};
    Bstr source, description;
    info->GetSource(&source.text);
    info->GetDescription(&description.text);
    info->Release();
    return {source.str(), description.str()};
}

std::string Narrow(const std::wstring& w) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

// The module's DllCanUnloadNow, from the DLL CoCreateInstance loaded.
HRESULT CanUnloadNow() {
    HMODULE module = ::GetModuleHandleW(L"B3EdtSvr.dll");
    if (module == nullptr) return E_FAIL;
    auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllCanUnloadNow")));
    return entry ? entry() : E_FAIL;
}

class ComTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
    void TearDown() override { ::CoUninitialize(); }
};

class Installed : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        const HRESULT hr = ::CoCreateInstance(CLSID_CEditObject, nullptr, CLSCTX_INPROC_SERVER,
                                              IID__CEditObject, reinterpret_cast<void**>(&object_));
        if (hr != S_OK) {
            const auto [source, description] = LastErrorInfo();
            FAIL() << "CoCreateInstance: 0x" << std::hex << hr << " " << Narrow(source) << ": "
                   << Narrow(description);
        }
    }
    void TearDown() override {
        if (object_) object_->Release();
        object_ = nullptr;
        ComTest::TearDown();
    }

    _CEditObject* object_ = nullptr;
};

// The 19 members in slot order with their dispatch ids and kinds.
struct Member {
    const wchar_t* name;
    DISPID id;
    INVOKEKIND kind;
};
const Member kMembers[] = {
    {L"NumEditObjects", 0x68030007, INVOKE_PROPERTYGET},
    {L"SitePath", 0x68030006, INVOKE_PROPERTYGET},
    {L"SpellPath", 0x68030005, INVOKE_PROPERTYGET},
    {L"HeroPath", 0x68030004, INVOKE_PROPERTYGET},
    {L"ArmyPath", 0x68030003, INVOKE_PROPERTYGET},
    {L"ItemPath", 0x68030002, INVOKE_PROPERTYGET},
    {L"InstallPath", 0x68030001, INVOKE_PROPERTYGET},
    {L"CopyPictureTemplate", 0x6003000B, INVOKE_FUNC},
    {L"GetEditObjectData", 0x68030000, INVOKE_PROPERTYGET},
    {L"WriteObject", 0x60030012, INVOKE_FUNC},
    {L"PrintReport", 0x60030019, INVOKE_FUNC},
    {L"ConvertPowerTypeToName", 0x6003001E, INVOKE_FUNC},
    {L"ConvertSoundToName", 0x6003001F, INVOKE_FUNC},
    {L"ConvertFacingToName", 0x60030020, INVOKE_FUNC},
    {L"ConvertShortName", 0x60030021, INVOKE_FUNC},
    {L"ConvertArmyShortName", 0x60030022, INVOKE_FUNC},
    {L"ShortNameFromPath", 0x60030026, INVOKE_FUNC},
    {L"Delete", 0x60030027, INVOKE_FUNC},
    {L"PicsPath", 0x68030028, INVOKE_PROPERTYGET},
};

TEST_F(Installed, TypeLibraryHasTheMembersInSlotOrderWithTheirDispatchIds) {
    ITypeInfo* dispatchInfo = nullptr;
    ASSERT_EQ(object_->GetTypeInfo(0, 0x409, &dispatchInfo), S_OK);
    ITypeLib* library = nullptr;
    UINT index = 0;
    ASSERT_EQ(dispatchInfo->GetContainingTypeLib(&library, &index), S_OK);
    TLIBATTR* libraryAttributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&libraryAttributes), S_OK);
    EXPECT_TRUE(::IsEqualGUID(libraryAttributes->guid, LIBID_B3EdtSvr));
    EXPECT_EQ(libraryAttributes->lcid, 0x409u);
    library->ReleaseTLibAttr(libraryAttributes);
    Bstr name, help;
    ASSERT_EQ(library->GetDocumentation(-1, &name.text, &help.text, nullptr, nullptr), S_OK);
    EXPECT_EQ(name.str(), L"B3EdtSvr");
    EXPECT_EQ(help.str(), L"Banerule 3 Editor Server");
    ITypeInfo* coclass = nullptr;
    EXPECT_EQ(library->GetTypeInfoOfGuid(CLSID_CEditObject, &coclass), S_OK);
    if (coclass) coclass->Release();
    library->Release();

    HREFTYPE vtableRef = 0;
    ITypeInfo* vtable = nullptr;
    ASSERT_EQ(dispatchInfo->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef), S_OK);
    ASSERT_EQ(dispatchInfo->GetRefTypeInfo(vtableRef, &vtable), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(vtable->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->cFuncs, 19);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    vtable->ReleaseTypeAttr(attributes);
    for (UINT slot = 0; slot < 19; ++slot) {
        FUNCDESC* function = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(slot, &function), S_OK);
        const Member& m = kMembers[slot];
        Bstr functionName;
        vtable->GetDocumentation(function->memid, &functionName.text, nullptr, nullptr, nullptr);
        EXPECT_EQ(functionName.str(), m.name) << "slot " << slot + 1;
        EXPECT_EQ(function->memid, m.id) << Narrow(m.name);
        EXPECT_EQ(function->invkind, m.kind) << Narrow(m.name);
        // IUnknown's three and IDispatch's four slots come first.
        EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + slot) * sizeof(void*))) << Narrow(m.name);
        vtable->ReleaseFuncDesc(function);

        DISPID id = 0;
        LPOLESTR names[1] = {const_cast<LPOLESTR>(m.name)};
        EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id), S_OK);
        EXPECT_EQ(id, m.id) << Narrow(m.name);
    }
    vtable->Release();
    dispatchInfo->Release();
}

TEST_F(Installed, VtableAnswersInSlotOrder) {
    // Slot 1 and the text getters called by their vtable positions, not through the header.
    void** slots = *reinterpret_cast<void***>(object_);
    using CountGetter = HRESULT(STDMETHODCALLTYPE*)(_CEditObject*, LONG*, LONG*);
    using TextGetter = HRESULT(STDMETHODCALLTYPE*)(_CEditObject*, BSTR*);
    LONG kind = 1, count = 0;
    ASSERT_EQ(reinterpret_cast<CountGetter>(slots[7])(object_, &kind, &count), S_OK);
    EXPECT_GT(count, 0);
    const struct {
        int slot;
        std::wstring text;
    } texts[] = {{2, g_folder + L"\\Sites"},   {3, g_folder + L"\\Spell"},
                 {4, g_folder + L"\\Hero"},    {5, g_folder + L"\\Army"},
                 {6, g_folder + L"\\Items"},   {7, g_folder},
                 {19, g_folder + L"\\EDPICTS"}};
    for (const auto& t : texts) {
        Bstr text;
        ASSERT_EQ(reinterpret_cast<TextGetter>(slots[6 + t.slot])(object_, &text.text), S_OK);
        EXPECT_EQ(text.str(), t.text) << "slot " << t.slot;
    }

    // The data array: rows by columns, cells of the column types.
    Variant data;
    ASSERT_EQ(object_->get_GetEditObjectData(&kind, &data.v), S_OK);
    ASSERT_EQ(V_VT(&data.v), VT_ARRAY | VT_VARIANT);
    SAFEARRAY* array = V_ARRAY(&data.v);
    ASSERT_EQ(::SafeArrayGetDim(array), 2u);
    LONG lower = -1, upper = -1;
    ::SafeArrayGetLBound(array, 1, &lower);
    ::SafeArrayGetUBound(array, 1, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, count - 1);
    ::SafeArrayGetUBound(array, 2, &upper);
    EXPECT_EQ(upper, 27);
    const auto cellType = [&](LONG row, LONG column) {
        LONG at[2] = {row, column};
        Variant cell;
        ::SafeArrayGetElement(array, at, &cell.v);
        return V_VT(&cell.v);
    };
    EXPECT_EQ(cellType(0, 0), VT_I4);
    EXPECT_EQ(cellType(0, 3), VT_BSTR);
    EXPECT_EQ(cellType(count - 1, 5), VT_UI1);
    EXPECT_EQ(cellType(0, 22), VT_I2);

    SHORT code = 0;
    Bstr power, facing;
    EXPECT_EQ(object_->ConvertPowerTypeToName(&code, &power.text), S_OK);
    EXPECT_EQ(power.str(), L"None");
    code = 7;
    EXPECT_EQ(object_->ConvertFacingToName(&code, &facing.text), S_OK);
    EXPECT_EQ(facing.str(), L"Northwest");

    Bstr path((g_folder + L"\\Spell\\FIREBALL.SPL").c_str());
    Bstr shortName;
    EXPECT_EQ(object_->ShortNameFromPath(path.text, 4, &shortName.text), S_OK);
    EXPECT_EQ(shortName.str(), L"FIREBALL");

    Bstr knights(L"knights");
    Variant names;
    ASSERT_EQ(object_->ConvertArmyShortName(knights.text, &names.v), S_OK);
    ASSERT_EQ(V_VT(&names.v), VT_ARRAY | VT_VARIANT);
    ::SafeArrayGetUBound(V_ARRAY(&names.v), 1, &upper);
    EXPECT_EQ(upper, 3);
    LONG one = 1;
    Variant display;
    ::SafeArrayGetElement(V_ARRAY(&names.v), &one, &display.v);
    ASSERT_EQ(V_VT(&display.v), VT_BSTR);
    EXPECT_EQ(std::wstring(V_BSTR(&display.v)), L"Knights");
}

TEST_F(Installed, FailuresCarryNumberSourceAndDescription) {
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(object_->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)),
              S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID__CEditObject), S_OK);
    support->Release();

    LONG kind = 7;
    Variant data;
    EXPECT_EQ(object_->get_GetEditObjectData(&kind, &data.v), static_cast<HRESULT>(0x800A0009));
    auto [source, description] = LastErrorInfo();
    EXPECT_EQ(source, L"CEditObject::GetEditObjectData");
    EXPECT_EQ(description, L"Subscript out of range");

    kind = 6;
    LONG count = 0;
    EXPECT_EQ(object_->get_NumEditObjects(&kind, &count), static_cast<HRESULT>(0x800A0009));
    EXPECT_EQ(LastErrorInfo().first, L"B3EdtSvr");

    SHORT code = 8;
    Bstr name;
    EXPECT_EQ(object_->ConvertFacingToName(&code, &name.text), static_cast<HRESULT>(0x800405EE));
    std::tie(source, description) = LastErrorInfo();
    EXPECT_EQ(source, L"CEditObject::ConvertFacingToName");
    EXPECT_EQ(description, L"Error converting facing to name.");

    // Not an array where an object array belongs.
    Variant notArray;
    V_VT(&notArray.v) = VT_I4;
    V_I4(&notArray.v) = 5;
    kind = 1;
    EXPECT_EQ(object_->WriteObject(&notArray.v, &kind), static_cast<HRESULT>(0x800A000D));
    EXPECT_EQ(LastErrorInfo().first, L"CEditObject::WriteObject");
}

// Calls member `id` through IDispatch::Invoke with the arguments given first to last.
HRESULT InvokeById(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> arguments,
                   VARIANT* result, EXCEPINFO* exception) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    UINT argumentError = 0;
    return object->Invoke(id, IID_NULL, 0x409, flags, &params, result, exception, &argumentError);
}

TEST_F(Installed, InvokeByDispatchIdConvertsArguments) {
    VARIANT number;
    V_VT(&number) = VT_I4;
    V_I4(&number) = 1;
    Variant count;
    ASSERT_EQ(InvokeById(object_, 0x68030007, DISPATCH_PROPERTYGET, {number}, &count.v, nullptr),
              S_OK);
    ASSERT_EQ(V_VT(&count.v), VT_I4);
    EXPECT_GT(V_I4(&count.v), 0);

    // A script variable: a reference to a VARIANT holding a short.
    VARIANT inner;
    V_VT(&inner) = VT_I2;
    V_I2(&inner) = 1;
    VARIANT byRef;
    V_VT(&byRef) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&byRef) = &inner;
    Variant data;
    ASSERT_EQ(InvokeById(object_, 0x68030000, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {byRef},
                         &data.v, nullptr),
              S_OK);
    ASSERT_EQ(V_VT(&data.v), VT_ARRAY | VT_VARIANT);
    LONG upper = -1;
    ::SafeArrayGetUBound(V_ARRAY(&data.v), 1, &upper);
    EXPECT_EQ(upper, V_I4(&count.v) - 1);
    EXPECT_EQ(V_I2(&inner), 1) << "the caller's variable was changed";

    // Text where a short belongs, converted; text that is no number, "Type mismatch".
    Bstr zero(L"0");
    VARIANT text;
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = zero.text;
    Variant power;
    ASSERT_EQ(InvokeById(object_, 0x6003001E, DISPATCH_METHOD, {text}, &power.v, nullptr), S_OK);
    ASSERT_EQ(V_VT(&power.v), VT_BSTR);
    EXPECT_EQ(std::wstring(V_BSTR(&power.v)), L"None");

    Bstr many(L"many");
    V_BSTR(&text) = many.text;
    EXCEPINFO exception{};
    Variant none;
    EXPECT_EQ(InvokeById(object_, 0x68030007, DISPATCH_PROPERTYGET, {text}, &none.v, &exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, static_cast<HRESULT>(0x800A000D));
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);

    // A server failure through Invoke: the exception info of the error.
    V_I4(&number) = 9;
    exception = EXCEPINFO{};
    EXPECT_EQ(InvokeById(object_, 0x68030000, DISPATCH_PROPERTYGET, {number}, &none.v, &exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, static_cast<HRESULT>(0x800A0009));
    EXPECT_EQ(std::wstring(exception.bstrSource ? exception.bstrSource : L""),
              L"CEditObject::GetEditObjectData");
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);

    Variant folder;
    ASSERT_EQ(InvokeById(object_, 0x68030001, DISPATCH_PROPERTYGET, {}, &folder.v, nullptr), S_OK);
    ASSERT_EQ(V_VT(&folder.v), VT_BSTR);
    EXPECT_EQ(std::wstring(V_BSTR(&folder.v)), g_folder);
}

TEST_F(Installed, ClassFactoryAndUnloadCountObjectsAndLocks) {
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "an object is alive";
    object_->Release();
    object_ = nullptr;
    EXPECT_EQ(CanUnloadNow(), S_OK);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(::CoGetClassObject(CLSID_CEditObject, CLSCTX_INPROC_SERVER, nullptr,
                                 IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "a class factory is alive";
    IUnknown* outer = factory;
    IUnknown* aggregated = nullptr;
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&aggregated)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "the server is locked";
    ASSERT_EQ(::CoGetClassObject(CLSID_CEditObject, CLSCTX_INPROC_SERVER, nullptr,
                                 IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

using Missing = ComTest;

TEST_F(Missing, CreationFailsWithInstallationNotFound) {
    IUnknown* object = nullptr;
    EXPECT_EQ(::CoCreateInstance(CLSID_CEditObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                 reinterpret_cast<void**>(&object)),
              static_cast<HRESULT>(0x800405E8));
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(LastErrorInfo().first, L"CEditObject::FindInstallPath");
}

}  // namespace

int main() {
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (arguments == nullptr || count < 2) {
        fprintf(stderr, "usage: b3_com_client installed INSTALL-FOLDER | missing\n");
        return 2;
    }
    g_mode = arguments[1];
    if (count > 2) g_folder = arguments[2];
    ::LocalFree(arguments);
    // The run with an installation registered, or the one without.
    std::string filter =
        std::string("--gtest_filter=") + (g_mode == L"installed" ? "Installed.*" : "Missing.*");
    std::string brief = "--gtest_brief=1";
    std::string name = "b3_com_client";
    int argc = 3;
    char* argv[] = {name.data(), brief.data(), filter.data(), nullptr};
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
