// Conversions between the server's UTF-8 texts, cells and arrays and their Automation forms:
// BSTR, VARIANT and SAFEARRAY of VARIANT. Failures are thrown as b3::Error with the given source.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

#include "b3/edit_object.h"

namespace b3::com {

// A BSTR holding the UTF-8 text (full Unicode); the caller owns it.
BSTR MakeBstr(const std::string& utf8);
// The text of a BSTR as UTF-8; a null BSTR is the empty text.
std::string Utf8FromBstr(BSTR text);

// A cell as a VARIANT: empty, VT_UI1, VT_I2, VT_I4 or VT_BSTR. `out` must be cleared.
void CellToVariant(const Cell& cell, VARIANT* out);
// A VARIANT as a cell (references followed): the four cell types and empty as themselves, any
// other number as a long (its value rounded; 6 "Overflow" past a long), anything else 13
// "Type mismatch".
Cell CellFromVariant(const VARIANT& value, const char* source);

// A data array as a VARIANT holding a two-dimensional SAFEARRAY of VARIANTs, bounds (0 to
// rows - 1, 0 to columns - 1).
void DataArrayToVariant(const DataArray& data, VARIANT* out);
// A VARIANT holding a two-dimensional array (references followed) as a data array; cell (r, c)
// comes from element (r, c). Anything but an array is 13 "Type mismatch"; an array of other
// dimensions or with negative bounds 9 "Subscript out of range".
DataArray DataArrayFromVariant(const VARIANT& value, const char* source);

// An object array as a VARIANT holding a one-dimensional SAFEARRAY of VARIANTs from 0.
void ObjectArrayToVariant(const ObjectArray& object, VARIANT* out);
// A VARIANT holding a one-dimensional array as an object array indexed by the element's own
// index (cells below the lower bound are empty). Anything but an array is 13; an array of
// other dimensions or with negative bounds 9.
ObjectArray ObjectArrayFromVariant(const VARIANT& value, const char* source);

}  // namespace b3::com
