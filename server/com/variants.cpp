// Texts, cells and arrays in their Automation forms.
#include "variants.h"

#include <oleauto.h>

#include <memory>

#include "platform/native_path.h"
#include "server_internal.h"

namespace b3::com {
namespace {

struct SafeArrayDeleter {
    void operator()(SAFEARRAY* array) const { ::SafeArrayDestroy(array); }
};
using SafeArrayPtr = std::unique_ptr<SAFEARRAY, SafeArrayDeleter>;

[[noreturn]] void Fail(std::int32_t number, const char* source) {
    throw detail::PlatformError(number, source);
}

// The VARIANT that `value` stands for, with VT_BYREF|VT_VARIANT references followed (a script's
// variable arrives as one).
const VARIANT& Resolve(const VARIANT& value, const char* source) {
    const VARIANT* v = &value;
    while (V_VT(v) == (VT_BYREF | VT_VARIANT)) {
        if (V_VARIANTREF(v) == nullptr) Fail(kErrTypeMismatch, source);
        v = V_VARIANTREF(v);
    }
    return *v;
}

// The array a VARIANT holds, directly or by reference; fails with 13 for anything else.
SAFEARRAY* ArrayOf(const VARIANT& value, const char* source) {
    const VARIANT& v = Resolve(value, source);
    if ((V_VT(&v) & VT_ARRAY) == 0) Fail(kErrTypeMismatch, source);
    SAFEARRAY* array = (V_VT(&v) & VT_BYREF) ? *V_ARRAYREF(&v) : V_ARRAY(&v);
    if (array == nullptr) Fail(kErrTypeMismatch, source);
    return array;
}

// The element type of an array; arrays made without one say it through their feature flags.
VARTYPE ElementType(SAFEARRAY* array) {
    VARTYPE vt = VT_EMPTY;
    if (SUCCEEDED(::SafeArrayGetVartype(array, &vt)) && vt != VT_EMPTY) return vt;
    if (array->fFeatures & FADF_VARIANT) return VT_VARIANT;
    if (array->fFeatures & FADF_BSTR) return VT_BSTR;
    return VT_EMPTY;
}

// An array's data, locked for reading while this lives.
class ArrayData {
public:
    ArrayData(SAFEARRAY* array, const char* source) : array_(array) {
        if (FAILED(::SafeArrayAccessData(array, &data_))) Fail(kErrTypeMismatch, source);
        type_ = ElementType(array);
        size_ = ::SafeArrayGetElemsize(array);
    }
    ~ArrayData() { ::SafeArrayUnaccessData(array_); }
    ArrayData(const ArrayData&) = delete;
    ArrayData& operator=(const ArrayData&) = delete;

    // Element number `offset` (in storage order) as a cell.
    Cell At(std::size_t offset, const char* source) const {
        const auto* element = static_cast<const unsigned char*>(data_) + offset * size_;
        VARIANT view;
        ::VariantInit(&view);
        switch (type_) {
            case VT_VARIANT:
                return CellFromVariant(*reinterpret_cast<const VARIANT*>(element), source);
            case VT_BSTR:
                return Cell::text(Utf8FromBstr(*reinterpret_cast<const BSTR*>(element)));
            case VT_UI1:
                return Cell::byte(*element);
            case VT_I2:
                return Cell::integer(*reinterpret_cast<const SHORT*>(element));
            case VT_I4:
                return Cell::long_(*reinterpret_cast<const LONG*>(element));
            case VT_BOOL:
                return Cell::integer(*reinterpret_cast<const VARIANT_BOOL*>(element));
            case VT_R8:
                V_VT(&view) = VT_R8;
                V_R8(&view) = *reinterpret_cast<const double*>(element);
                return CellFromVariant(view, source);
            default:
                Fail(kErrTypeMismatch, source);
        }
    }

private:
    SAFEARRAY* array_;
    void* data_ = nullptr;
    VARTYPE type_ = VT_EMPTY;
    UINT size_ = 0;
};

struct Bounds {
    LONG lower = 0;
    LONG upper = -1;
    std::size_t count() const { return static_cast<std::size_t>(upper - lower + 1); }
};

// Dimension `dim` (1 = leftmost) of an array; a negative lower bound has no column number.
Bounds BoundsOf(SAFEARRAY* array, UINT dim, const char* source) {
    Bounds b;
    if (FAILED(::SafeArrayGetLBound(array, dim, &b.lower)) ||
        FAILED(::SafeArrayGetUBound(array, dim, &b.upper))) {
        Fail(kErrSubscript, source);
    }
    if (b.lower < 0) Fail(kErrSubscript, source);
    if (b.upper < b.lower) b.upper = b.lower - 1;
    return b;
}

// A new array of VARIANTs (all empty), or a failure with "Out of memory".
SafeArrayPtr NewVariantArray(SAFEARRAYBOUND* bounds, UINT dims) {
    SafeArrayPtr array(::SafeArrayCreate(VT_VARIANT, dims, bounds));
    if (!array) Fail(kErrOutOfMemory, "B3EdtSvr");
    return array;
}

// Sets `out` to a new array of VARIANTs with the given bounds, filled in storage order from
// `cellAt(offset)`; `out` stays empty on a failure.
template <class CellAt>
void ArrayToVariant(VARIANT* out, SAFEARRAYBOUND* bounds, UINT dims, std::size_t count,
                    CellAt cellAt) {
    ::VariantInit(out);
    SafeArrayPtr array = NewVariantArray(bounds, dims);
    void* raw = nullptr;
    if (FAILED(::SafeArrayAccessData(array.get(), &raw))) Fail(kErrOutOfMemory, "B3EdtSvr");
    auto* cells = static_cast<VARIANT*>(raw);
    try {
        for (std::size_t i = 0; i < count; ++i) CellToVariant(cellAt(i), &cells[i]);
    } catch (...) {
        ::SafeArrayUnaccessData(array.get());
        throw;
    }
    ::SafeArrayUnaccessData(array.get());
    V_VT(out) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(out) = array.release();
}

}  // namespace

BSTR MakeBstr(const std::string& utf8) {
    const std::wstring wide = platform::WideFromUtf8(utf8);
    BSTR text = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (text == nullptr) Fail(kErrOutOfMemory, "B3EdtSvr");
    return text;
}

std::string Utf8FromBstr(BSTR text) {
    if (text == nullptr) return std::string();
    return platform::Utf8FromWide(std::wstring_view(text, ::SysStringLen(text)));
}

void CellToVariant(const Cell& cell, VARIANT* out) {
    ::VariantInit(out);
    switch (cell.type()) {
        case Cell::Type::Empty:
            break;
        case Cell::Type::Byte:
            V_VT(out) = VT_UI1;
            V_UI1(out) = static_cast<BYTE>(cell.number());
            break;
        case Cell::Type::Integer:
            V_VT(out) = VT_I2;
            V_I2(out) = static_cast<SHORT>(cell.number());
            break;
        case Cell::Type::Long:
            V_VT(out) = VT_I4;
            V_I4(out) = static_cast<LONG>(cell.number());
            break;
        case Cell::Type::Text:
            V_BSTR(out) = MakeBstr(cell.str());
            V_VT(out) = VT_BSTR;
            break;
    }
}

Cell CellFromVariant(const VARIANT& value, const char* source) {
    const VARIANT& v = Resolve(value, source);
    const VARTYPE type = V_VT(&v);
    if (type & VT_ARRAY) Fail(kErrTypeMismatch, source);
    const bool byRef = (type & VT_BYREF) != 0;
    switch (type & ~VT_BYREF) {
        case VT_EMPTY:
            return Cell();
        case VT_UI1:
            return Cell::byte(byRef ? *V_UI1REF(&v) : V_UI1(&v));
        case VT_I2:
            return Cell::integer(byRef ? *V_I2REF(&v) : V_I2(&v));
        case VT_I4:
            return Cell::long_(byRef ? *V_I4REF(&v) : V_I4(&v));
        case VT_BSTR:
            return Cell::text(Utf8FromBstr(byRef ? *V_BSTRREF(&v) : V_BSTR(&v)));
        case VT_BOOL:
            return Cell::integer(byRef ? *V_BOOLREF(&v) : V_BOOL(&v));
        case VT_I1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DECIMAL:
        case VT_DATE: {
            // Other numbers as the language converts them to a long: rounded half to even.
            VARIANT number;
            ::VariantInit(&number);
            const HRESULT hr = ::VariantChangeType(&number, const_cast<VARIANT*>(&v), 0, VT_I4);
            if (FAILED(hr)) Fail(hr == DISP_E_OVERFLOW ? kErrOverflow : kErrTypeMismatch, source);
            return Cell::long_(V_I4(&number));
        }
        default:
            Fail(kErrTypeMismatch, source);
    }
}

void DataArrayToVariant(const DataArray& data, VARIANT* out) {
    const std::size_t rows = data.rows();
    const std::size_t columns = data.columns();
    // The leftmost dimension (rows) varies fastest in storage.
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), 0}, {static_cast<ULONG>(columns), 0}};
    ArrayToVariant(out, bounds, 2, rows * columns,
                   [&](std::size_t i) -> const Cell& { return data.at(i % rows, i / rows); });
}

DataArray DataArrayFromVariant(const VARIANT& value, const char* source) {
    SAFEARRAY* array = ArrayOf(value, source);
    if (::SafeArrayGetDim(array) != 2) Fail(kErrSubscript, source);
    const Bounds rows = BoundsOf(array, 1, source);
    const Bounds columns = BoundsOf(array, 2, source);
    DataArray data(static_cast<std::size_t>(rows.upper + 1),
                   static_cast<std::size_t>(columns.upper + 1));
    ArrayData elements(array, source);
    for (std::size_t c = 0; c < columns.count(); ++c) {
        for (std::size_t r = 0; r < rows.count(); ++r) {
            data.at(r + static_cast<std::size_t>(rows.lower),
                    c + static_cast<std::size_t>(columns.lower)) =
                elements.At(r + c * rows.count(), source);
        }
    }
    return data;
}

void ObjectArrayToVariant(const ObjectArray& object, VARIANT* out) {
    SAFEARRAYBOUND bounds[1] = {{static_cast<ULONG>(object.size()), 0}};
    ArrayToVariant(out, bounds, 1, object.size(),
                   [&](std::size_t i) -> const Cell& { return object[i]; });
}

ObjectArray ObjectArrayFromVariant(const VARIANT& value, const char* source) {
    SAFEARRAY* array = ArrayOf(value, source);
    if (::SafeArrayGetDim(array) != 1) Fail(kErrSubscript, source);
    const Bounds bounds = BoundsOf(array, 1, source);
    ObjectArray object(static_cast<std::size_t>(bounds.upper + 1));
    ArrayData elements(array, source);
    for (std::size_t i = 0; i < bounds.count(); ++i) {
        object[i + static_cast<std::size_t>(bounds.lower)] = elements.At(i, source);
    }
    return object;
}

}  // namespace b3::com
