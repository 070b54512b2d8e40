// The automation server as an out-of-process COM server (see dispatch_server.h). Everything runs
// on one single-threaded apartment: COM delivers the clients' calls as window messages to the
// message loop of Serve, so the objects never see two calls at once.
//
// Each object of the server's table gets one IDispatch (ComDispatch) when it is first handed out;
// its COM references are the entry's `references`, and the last release removes the object from
// the table and logs "Release(path) = 0". COM's own bookkeeping (the marshalling stubs hold
// references of their own) decides when a client's release arrives, so unlike the bus, where every
// release is logged with the references left, only the last one is logged here.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ngserver/dispatch_server.h"
#include "ngserver/ng_classes.h"
#include "platform/win32/com_text.h"
// After the Win32 types: the class-object and running-object functions.
#include <objbase.h>
#include <oleauto.h>

namespace hostsim {

namespace win32 = radlyn::platform::win32;

namespace {

// A server that has handed out no object this long after it started ends.
constexpr UINT kIdleMilliseconds = 5000;

// The server's message filter while it is to be busy: from the first incoming call on, every
// call is answered "retry later" until the spell is over. Lives as long as Serve runs, so it
// counts no references.
class BusyFilter final : public IMessageFilter {
 public:
  BusyFilter(int spell_ms, std::function<void()> first_refusal)
      : spell_ms_(static_cast<ULONGLONG>(spell_ms)), first_refusal_(std::move(first_refusal)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
      *object = static_cast<IMessageFilter*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    const ULONGLONG now = ::GetTickCount64();
    if (start_ == 0) {
      start_ = now;
      first_refusal_();
    }
    return now - start_ < spell_ms_ ? SERVERCALL_RETRYLATER : SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return 0xFFFFFFFF; }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  ULONGLONG spell_ms_;
  std::function<void()> first_refusal_;
  ULONGLONG start_ = 0;
};

}  // namespace

// The class factory registered with COM, and the server's lifetime: it ends when no object is
// left, no client holds a lock on the class, and it serves no running instance.
class ComClass final : public IClassFactory {
 public:
  ComClass(DispatchServer& server, const CLSID& class_id, bool running)
      : server_(server), class_id_(class_id), running_(running) {}

  bool Register() {
    return SUCCEEDED(::CoRegisterClassObject(class_id_, this, CLSCTX_LOCAL_SERVER,
                                             REGCLS_MULTIPLEUSE, &class_cookie_));
  }

  // Makes the running instance and offers it through the running-object table.
  bool RegisterRunningInstance() {
    server_.active_path_ = server_.Add(server_.factory_(), "Instance").path;
    server_.log_("Running", "", server_.active_path_);
    // The server keeps the reference Add counted for as long as it runs.
    running_instance_ = Dispatch(server_.active_path_);
    return SUCCEEDED(
        ::RegisterActiveObject(running_instance_, class_id_, ACTIVEOBJECT_STRONG, &active_cookie_));
  }

  // Stops offering the class and the running instance; the caller's loop ends.
  void End() {
    if (ended_) return;
    ended_ = true;
    if (class_cookie_ != 0) ::CoRevokeClassObject(class_cookie_);
    if (active_cookie_ != 0) ::RevokeActiveObject(active_cookie_, nullptr);
    class_cookie_ = active_cookie_ = 0;
    ::PostQuitMessage(0);
  }

  void EndWhenUnused() {
    if (!running_ && locks_ <= 0 && server_.objects_.empty()) End();
  }

  // Lets go of the running instance, once the server's loop has ended.
  void ReleaseRunningInstance() {
    if (running_instance_ != nullptr) std::exchange(running_instance_, nullptr)->Release();
  }

  // The object at `path` as IDispatch, with one reference for the caller: the one Add counted for
  // an object not handed out before, else a new one.
  IDispatch* Dispatch(const std::string& path);

  ULONG AddReference(const std::string& path) {
    auto found = server_.objects_.find(path);
    return found == server_.objects_.end() ? 0 : ++found->second.references;
  }

  // Drops one reference; the last removes the object (and its IDispatch, the caller perhaps).
  ULONG ReleaseReference(const std::string& path) {
    auto found = server_.objects_.find(path);
    if (found == server_.objects_.end()) return 0;
    const int left = --found->second.references;
    if (left > 0) return static_cast<ULONG>(left);
    server_.objects_.erase(found);
    server_.log_("Release", path, "0");
    EndWhenUnused();
    return 0;
  }

  DispatchServer& server() { return server_; }

  // IUnknown: the factory lives as long as Serve runs, so it counts no references.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (ended_) return CO_E_SERVER_STOPPING;
    const std::string path = server_.Add(server_.factory_(), "Instance").path;
    server_.log_("CreateInstance", "", path);
    IDispatch* dispatch = Dispatch(path);
    const HRESULT result = dispatch->QueryInterface(iid, out);
    dispatch->Release();
    return result;
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    locks_ += lock ? 1 : -1;
    if (!lock) EndWhenUnused();
    return S_OK;
  }

 private:
  DispatchServer& server_;
  CLSID class_id_;
  bool running_;
  bool ended_ = false;
  int locks_ = 0;
  DWORD class_cookie_ = 0;
  DWORD active_cookie_ = 0;
  IDispatch* running_instance_ = nullptr;
};

class ComDispatch;

// The members' native entry points, which DispInvoke calls through the object's type
// information once it has checked the call's kind and converted its arguments to the declared
// types. The order of the functions is their vtable slot (kSignatures). Each hands the call to
// the simulated object; a rejection is kept for Invoke to report.
class TypedMembers final {
 public:
  explicit TypedMembers(ComDispatch& owner) : owner_(owner) {}

  virtual LONG STDMETHODCALLTYPE Logout(BSTR name) { return Number(Call({Text(name)})); }
  virtual LONG STDMETHODCALLTYPE LoginObject(BSTR name, IDispatch** login) {
    DispatchReply reply = Call({Text(name)});
    IDispatch* object = OutObject(reply);
    if (login != nullptr) {
      *login = object;
    } else if (object != nullptr) {
      object->Release();
    }
    return Number(reply);
  }
  virtual LONG STDMETHODCALLTYPE LoginVariant(BSTR name, VARIANT* login) {
    DispatchReply reply = Call({Text(name)});
    IDispatch* object = OutObject(reply);
    if (login != nullptr) {
      ::VariantClear(login);
      login->vt = VT_DISPATCH;
      login->pdispVal = object;
    } else if (object != nullptr) {
      object->Release();
    }
    return Number(reply);
  }
  virtual LONG STDMETHODCALLTYPE Prepare() { return Number(Call({})); }
  virtual LONG STDMETHODCALLTYPE FindPlugin(BSTR id) { return Number(Call({Text(id)})); }
  virtual IDispatch* STDMETHODCALLTYPE Plugin(LONG number) {
    return Object(Call({std::int32_t{number}}).result);
  }
  virtual BSTR STDMETHODCALLTYPE Version() { return TextOf(Call({})); }
  virtual BSTR STDMETHODCALLTYPE ProgramPath() { return TextOf(Call({})); }
  virtual BSTR STDMETHODCALLTYPE GetOption(BSTR id, BSTR group) {
    return TextOf(Call({Text(id), Text(group)}));
  }

 private:
  static DispatchValue Text(BSTR text) { return win32::AnsiFromBstr(text); }
  DispatchReply Call(std::vector<DispatchValue> arguments);
  static LONG Number(const DispatchReply& reply) {
    const auto* number = std::get_if<std::int32_t>(&reply.result);
    return number != nullptr ? *number : 0;
  }
  static BSTR TextOf(const DispatchReply& reply) {
    const auto* text = std::get_if<std::string>(&reply.result);
    return text != nullptr ? win32::Bstr(*text).Detach() : nullptr;
  }
  IDispatch* Object(const DispatchValue& value);
  IDispatch* OutObject(const DispatchReply& reply) {
    return reply.out_arguments.empty() ? nullptr : Object(reply.out_arguments.front());
  }

  ComDispatch& owner_;
};

namespace {

// Parameter names of the simplified type information.
wchar_t kName[] = L"name";
wchar_t kLogin[] = L"login";
wchar_t kId[] = L"id";
wchar_t kNumber[] = L"number";
wchar_t kGroup[] = L"group";

PARAMDATA kNameParam[] = {{kName, VT_BSTR}};
PARAMDATA kLoginObjectParams[] = {{kName, VT_BSTR}, {kLogin, VT_BYREF | VT_DISPATCH}};
PARAMDATA kLoginVariantParams[] = {{kName, VT_BSTR}, {kLogin, VT_BYREF | VT_VARIANT}};
PARAMDATA kIdParam[] = {{kId, VT_BSTR}};
PARAMDATA kNumberParam[] = {{kNumber, VT_I4}};
PARAMDATA kOptionParams[] = {{kId, VT_BSTR}, {kGroup, VT_BSTR}};

// The native signature of each member (and form of out-argument): its TypedMembers slot, its
// parameters and its result type.
struct Signature {
  const char* name;
  OutForm out;
  UINT slot;
  PARAMDATA* params;
  UINT param_count;
  VARTYPE result;
};

constexpr Signature kSignatures[] = {
    {"Logout", OutForm::kNone, 0, kNameParam, 1, VT_I4},
    {"Login", OutForm::kObject, 1, kLoginObjectParams, 2, VT_I4},
    {"Login", OutForm::kVariant, 2, kLoginVariantParams, 2, VT_I4},
    {"Prepare", OutForm::kNone, 3, nullptr, 0, VT_I4},
    {"FindPlugin", OutForm::kNone, 4, kIdParam, 1, VT_I4},
    {"Plugin", OutForm::kNone, 5, kNumberParam, 1, VT_DISPATCH},
    {"Version", OutForm::kNone, 6, nullptr, 0, VT_BSTR},
    {"ProgramPath", OutForm::kNone, 7, nullptr, 0, VT_BSTR},
    {"GetOption", OutForm::kNone, 8, kOptionParams, 2, VT_BSTR},
};

const Signature* FindSignature(const DispatchMember& member) {
  for (const Signature& signature : kSignatures) {
    if (std::string_view(signature.name) == member.name && signature.out == member.out) {
      return &signature;
    }
  }
  return nullptr;
}

// Type information of an interface with the declared members (CreateDispTypeInfo gives a
// coclass that implements it); null when it cannot be made.
ITypeInfo* MakeTypeInfo(const DispatchDeclaration& declaration) {
  std::vector<std::wstring> names;
  names.reserve(declaration.members.size());
  std::vector<METHODDATA> methods;
  for (const DispatchMember& member : declaration.members) {
    const Signature* signature = FindSignature(member);
    if (signature == nullptr) return nullptr;
    names.push_back(win32::WideFromAnsi(member.name));
    methods.push_back(METHODDATA{
        names.back().data(), signature->params, member.dispatch_id, signature->slot, CC_STDCALL,
        signature->param_count,
        static_cast<WORD>(member.kind == kInvokeMethod ? DISPATCH_METHOD : DISPATCH_PROPERTYGET),
        signature->result});
  }
  INTERFACEDATA data{methods.data(), static_cast<UINT>(methods.size())};
  ITypeInfo* coclass = nullptr;
  if (FAILED(::CreateDispTypeInfo(&data, LOCALE_SYSTEM_DEFAULT, &coclass))) return nullptr;
  ITypeInfo* interface_info = nullptr;
  HREFTYPE reference = 0;
  if (FAILED(coclass->GetRefTypeOfImplType(0, &reference)) ||
      FAILED(coclass->GetRefTypeInfo(reference, &interface_info))) {
    interface_info = nullptr;
  }
  coclass->Release();
  return interface_info;
}

}  // namespace

// One object of the table as IDispatch: calls go through its type information to TypedMembers,
// and from there to the object's Invoke.
class ComDispatch final : public IDispatch {
 public:
  ComDispatch(ComClass& owner, std::string path) : owner_(owner), path_(std::move(path)) {
    DispatchServer& server = owner_.server();
    declaration_ = server.objects_.at(path_).object->Declare();
    type_info_ = MakeTypeInfo(declaration_);
  }
  ~ComDispatch() {
    if (type_info_ != nullptr) type_info_->Release();
  }
  ComDispatch(const ComDispatch&) = delete;
  ComDispatch& operator=(const ComDispatch&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IDispatch))
      owner_.server().objects_.at(path_).object->Asked("QueryInterface");
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddReference(path_); }
  ULONG STDMETHODCALLTYPE Release() override {
    ComClass& owner = owner_;
    const std::string path = path_;  // the last release destroys this object
    return owner.ReleaseReference(path);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    owner_.server().objects_.at(path_).object->Asked("GetTypeInfo");
    *count = declaration_.type_info && type_info_ != nullptr ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    owner_.server().objects_.at(path_).object->Asked("GetTypeInfo");
    if (index != 0 || !declaration_.type_info || type_info_ == nullptr) return DISP_E_BADINDEX;
    type_info_->AddRef();
    *info = type_info_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (type_info_ == nullptr) return E_UNEXPECTED;
    return ::DispGetIDsOfNames(type_info_, names, count, ids);
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispatch_id, REFIID, LCID, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    if (type_info_ == nullptr) return E_UNEXPECTED;
    // A lenient server takes any kind of call for its member: the call goes on as the declared
    // kind. A strict one leaves the kind to oleaut32, which answers DISP_E_MEMBERNOTFOUND.
    for (const DispatchMember& member : declaration_.members) {
      if (member.dispatch_id == dispatch_id && (member.answers & flags) != 0) {
        flags = static_cast<WORD>(member.kind == kInvokeMethod ? DISPATCH_METHOD
                                                               : DISPATCH_PROPERTYGET);
      }
    }
    current_ = dispatch_id;
    rejection_.reset();
    TypedMembers members(*this);
    const HRESULT outcome = ::DispInvoke(&members, type_info_, dispatch_id, flags, parameters,
                                         result, exception, argument_error);
    if (FAILED(outcome) || !rejection_) return outcome;
    if (result != nullptr) ::VariantClear(result);
    if (*rejection_ == kErrorMemberNotFound) return DISP_E_MEMBERNOTFOUND;
    if (exception != nullptr) {
      *exception = EXCEPINFO{};
      exception->scode = E_FAIL;
      exception->bstrSource = win32::Bstr(owner_.server().class_name_).Detach();
      exception->bstrDescription = win32::Bstr(rejection_message_).Detach();
    }
    return DISP_E_EXCEPTION;
  }

  // The object's answer to the member being invoked; a rejection is kept for Invoke.
  DispatchReply CallObject(std::vector<DispatchValue> arguments) {
    DispatchServer& server = owner_.server();
    auto found = server.objects_.find(path_);
    if (found == server.objects_.end()) {
      rejection_ = kErrorRejected;
      return {};
    }
    std::uint32_t kind = kInvokeMethod;
    for (const DispatchMember& member : declaration_.members) {
      if (member.dispatch_id == current_) kind = member.kind;
    }
    // The object may add objects while it answers (the map keeps its entries in place).
    DispatchReply reply = found->second.object->Invoke(server, current_, kind, arguments);
    if (reply.error_name) {
      rejection_ = *reply.error_name;
      rejection_message_ = reply.error_message;
      // A new object nobody receives is released at once.
      for (const DispatchValue& value : reply.out_arguments) Discard(value);
      Discard(reply.result);
      return {};
    }
    return reply;
  }

  // The object at a path handed out to the caller, with one reference; null for none.
  IDispatch* Object(const DispatchValue& value) {
    const auto* object = std::get_if<ObjectRef>(&value);
    if (object == nullptr || object->path == "/") return nullptr;
    return owner_.Dispatch(object->path);
  }

 private:
  void Discard(const DispatchValue& value) {
    const auto* object = std::get_if<ObjectRef>(&value);
    if (object != nullptr && object->path != "/") owner_.ReleaseReference(object->path);
  }

  ComClass& owner_;
  std::string path_;
  DispatchDeclaration declaration_;
  ITypeInfo* type_info_ = nullptr;
  DISPID current_ = 0;
  std::optional<std::string> rejection_;
  std::string rejection_message_;
};

// The member DispInvoke called is the one Invoke is dispatching.
DispatchReply TypedMembers::Call(std::vector<DispatchValue> arguments) {
  return owner_.CallObject(std::move(arguments));
}

IDispatch* TypedMembers::Object(const DispatchValue& value) { return owner_.Object(value); }

IDispatch* ComClass::Dispatch(const std::string& path) {
  DispatchServer::Entry& entry = server_.objects_.at(path);
  if (entry.native) {
    ++entry.references;
  } else {
    entry.native = std::make_shared<ComDispatch>(*this, path);
  }
  return static_cast<ComDispatch*>(entry.native.get());
}

DispatchServer::DispatchServer(std::string class_name, InstanceFactory factory, EventLog log)
    : class_name_(std::move(class_name)), factory_(std::move(factory)), log_(std::move(log)) {}

DispatchServer::~DispatchServer() { objects_.clear(); }

ObjectRef DispatchServer::Add(std::unique_ptr<DispatchObject> object, const std::string& kind) {
  std::string path = "/" + kind + "/" + std::to_string(next_id_++);
  objects_[path] = Entry{std::move(object), 1, nullptr};
  return ObjectRef{path};
}

int DispatchServer::Serve(bool running, const std::function<void()>& ready) {
  const NgClass* registered = FindNgClass(class_name_);
  CLSID class_id;
  if (registered == nullptr ||
      FAILED(::CLSIDFromString(win32::WideFromAnsi(registered->class_id).c_str(), &class_id))) {
    return 2;
  }
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  int exit_code = 0;
  BusyFilter busy(busy_ms_,
                  [this] { log_("Busy", "", "retry later ms=" + std::to_string(busy_ms_)); });
  if (busy_ms_ > 0) ::CoRegisterMessageFilter(&busy, nullptr);
  {
    ComClass factory(*this, class_id, running);
    native_ = &factory;
    if (!factory.Register()) {
      exit_code = 3;
    } else if (running && !factory.RegisterRunningInstance()) {
      exit_code = 3;
      factory.End();
    } else {
      if (ready) ready();
      // A thread timer: its WM_TIMER arrives in the loop below without a window.
      const UINT_PTR idle_timer = ::SetTimer(nullptr, 0, kIdleMilliseconds, nullptr);
      MSG message;
      while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr &&
            message.wParam == idle_timer) {
          ::KillTimer(nullptr, idle_timer);
          factory.EndWhenUnused();
          continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
      factory.End();
    }
    factory.ReleaseRunningInstance();
    // Disconnects the clients' remaining references while the factory still answers releases.
    ::CoUninitialize();
    native_ = nullptr;
  }
  return exit_code;
}

}  // namespace hostsim
