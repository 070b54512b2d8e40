// What an object's type information declares for one parameter of one member: the type a
// by-reference argument must carry, so that a server dispatching through its type information
// (oleaut32's DispInvoke, MFC's dispatch maps, a VB class) accepts it. A parameter declared
// `[out] IDispatch**` wants VT_BYREF | VT_DISPATCH, one declared `VARIANT*` wants
// VT_BYREF | VT_VARIANT, and each rejects the other with DISP_E_TYPEMISMATCH.
#pragma once

#include "platform/win32/windows_api.h"
// The automation declarations need the Win32 types above.
#include <oleauto.h>

namespace radlyn::platform::win32 {

// The base type (without VT_BYREF) of the by-reference parameter `index` (0 = first) of member
// `dispatch_id` called as `flags` (DISPATCH_METHOD, DISPATCH_PROPERTYGET or both), as the
// object's type information declares it: VT_VARIANT, VT_DISPATCH, VT_UNKNOWN, VT_BSTR or VT_I4.
// VT_EMPTY when the object gives no type information, does not list the member there, or
// declares that parameter otherwise (by value, or a type this side does not pass).
VARTYPE DeclaredByRefType(IDispatch& object, DISPID dispatch_id, WORD flags, UINT index);

}  // namespace radlyn::platform::win32
