#include "platform/win32/com_declared_type.h"

#include "platform/win32/bounded_invoke.h"
#include "platform/win32/com_ptr.h"

namespace radlyn::platform::win32 {
namespace {

// No declared type: VT_EMPTY as a VARTYPE, which conditional expressions can mix with others.
constexpr VARTYPE kNoType = VT_EMPTY;

// Interfaces refer to their bases and coclasses to their interfaces; a chain this long is
// broken type information.
constexpr int kMaxDepth = 8;

// Releases what ITypeInfo hands out, on every path.
class TypeAttr {
 public:
  explicit TypeAttr(ITypeInfo& info) : info_(info) {
    if (FAILED(info.GetTypeAttr(&attr_))) attr_ = nullptr;
  }
  TypeAttr(const TypeAttr&) = delete;
  TypeAttr& operator=(const TypeAttr&) = delete;
  ~TypeAttr() {
    if (attr_ != nullptr) info_.ReleaseTypeAttr(attr_);
  }
  const TYPEATTR* get() const { return attr_; }

 private:
  ITypeInfo& info_;
  TYPEATTR* attr_ = nullptr;
};

class FuncDesc {
 public:
  FuncDesc(ITypeInfo& info, UINT index) : info_(info) {
    if (FAILED(info.GetFuncDesc(index, &desc_))) desc_ = nullptr;
  }
  FuncDesc(const FuncDesc&) = delete;
  FuncDesc& operator=(const FuncDesc&) = delete;
  ~FuncDesc() {
    if (desc_ != nullptr) info_.ReleaseFuncDesc(desc_);
  }
  const FUNCDESC* get() const { return desc_; }

 private:
  ITypeInfo& info_;
  FUNCDESC* desc_ = nullptr;
};

bool IsPassable(VARTYPE type) {
  return type == VT_VARIANT || type == VT_DISPATCH || type == VT_UNKNOWN || type == VT_BSTR ||
         type == VT_I4;
}

// An interface named by `reference`: called through IDispatch when it is a dispinterface or a
// dual interface, otherwise through IUnknown.
VARTYPE InterfaceType(ITypeInfo& info, HREFTYPE reference) {
  ComPtr<ITypeInfo> named;
  if (FAILED(info.GetRefTypeInfo(reference, named.Receive())) || !named) return kNoType;
  TypeAttr attr(*named.get());
  if (attr.get() == nullptr) return kNoType;
  if (attr.get()->typekind == TKIND_DISPATCH ||
      (attr.get()->typekind == TKIND_INTERFACE && (attr.get()->wTypeFlags & TYPEFLAG_FDUAL) != 0)) {
    return VT_DISPATCH;
  }
  if (attr.get()->typekind == TKIND_INTERFACE) return VT_UNKNOWN;
  return kNoType;
}

// The base type of a by-reference parameter: written as VT_BYREF | type (simplified type
// information, CreateDispTypeInfo) or as a pointer (a type library: VARIANT*, IDispatch**, an
// interface of the library as IFoo**).
VARTYPE ByRefType(ITypeInfo& info, const TYPEDESC& type) {
  if ((type.vt & VT_BYREF) != 0) {
    const VARTYPE base = type.vt & ~VT_BYREF;
    return IsPassable(base) ? base : kNoType;
  }
  if (type.vt != VT_PTR || type.lptdesc == nullptr) return kNoType;
  const TYPEDESC& pointee = *type.lptdesc;
  if (IsPassable(pointee.vt)) return pointee.vt;
  if (pointee.vt == VT_PTR && pointee.lptdesc != nullptr && pointee.lptdesc->vt == VT_USERDEFINED) {
    return InterfaceType(info, pointee.lptdesc->hreftype);
  }
  return kNoType;
}

// Looks for the member in `info`, then in the types it implements or derives from (a coclass's
// interface, an interface's base).
bool FindDeclaredType(ITypeInfo& info, DISPID dispatch_id, WORD flags, UINT index, int depth,
                      VARTYPE& declared) {
  TypeAttr attr(info);
  if (attr.get() == nullptr) return false;
  for (UINT i = 0; i < attr.get()->cFuncs; ++i) {
    FuncDesc desc(info, i);
    const FUNCDESC* function = desc.get();
    if (function == nullptr || function->memid != dispatch_id || (function->invkind & flags) == 0) {
      continue;
    }
    declared = index < static_cast<UINT>(function->cParams)
                   ? ByRefType(info, function->lprgelemdescParam[index].tdesc)
                   : kNoType;
    return true;
  }
  if (depth >= kMaxDepth) return false;
  for (UINT i = 0; i < attr.get()->cImplTypes; ++i) {
    HREFTYPE reference = 0;
    ComPtr<ITypeInfo> base;
    if (SUCCEEDED(info.GetRefTypeOfImplType(i, &reference)) &&
        SUCCEEDED(info.GetRefTypeInfo(reference, base.Receive())) && base &&
        FindDeclaredType(*base.get(), dispatch_id, flags, index, depth + 1, declared)) {
      return true;
    }
  }
  return false;
}

}  // namespace

VARTYPE DeclaredByRefType(IDispatch& object, DISPID dispatch_id, WORD flags, UINT index) {
  UINT count = 0;
  if (FAILED(RetryWhileBusy([&] { return object.GetTypeInfoCount(&count); })) || count == 0) {
    return kNoType;
  }
  ComPtr<ITypeInfo> info;
  if (FAILED(RetryWhileBusy(
          [&] { return object.GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Receive()); })) ||
      !info) {
    return kNoType;
  }
  VARTYPE declared = kNoType;  // stays so when the member is not found
  FindDeclaredType(*info.get(), dispatch_id, flags, index, 0, declared);
  return declared;
}

}  // namespace radlyn::platform::win32
