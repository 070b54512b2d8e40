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
#include <string>
#include <utility>
#include <vector>

#include "ngserver/dispatch_server.h"
#include "ngserver/ng_classes.h"
#include "platform/win32/com_text.h"
// After the Win32 types: the class-object and running-object functions.
#include <objbase.h>

namespace hostsim {

namespace win32 = radlyn::platform::win32;

namespace {

// A server that has handed out no object this long after it started ends.
constexpr UINT kIdleMilliseconds = 5000;

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

// One object of the table as IDispatch: its calls go to the object's Invoke.
class ComDispatch final : public IDispatch {
 public:
  ComDispatch(ComClass& owner, std::string path) : owner_(owner), path_(std::move(path)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
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

  // Calls go by dispatch id only: no type information, no names.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                          DISPID* ids) override {
    for (UINT i = 0; ids != nullptr && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispatch_id, REFIID, LCID, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    if (parameters == nullptr) return E_INVALIDARG;
    if (parameters->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    // DISPPARAMS lists the arguments last to first; a VARIANT by reference is an out-argument.
    std::vector<DispatchValue> arguments;
    std::vector<VARIANT*> out_slots;
    for (UINT i = parameters->cArgs; i-- > 0;) {
      VARIANT& argument = parameters->rgvarg[i];
      if (argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal != nullptr) {
        out_slots.push_back(argument.pvarVal);
      } else if (argument.vt == VT_I4) {
        arguments.emplace_back(static_cast<std::int32_t>(argument.lVal));
      } else if (argument.vt == VT_BSTR) {
        arguments.emplace_back(win32::AnsiFromBstr(argument.bstrVal));
      } else {
        if (argument_error != nullptr) *argument_error = i;
        return DISP_E_TYPEMISMATCH;
      }
    }
    // A method call or a property read; any other kind of call reaches the object as its flags,
    // which it answers as an unknown member.
    const std::uint32_t kind = flags == DISPATCH_METHOD        ? kInvokeMethod
                               : flags == DISPATCH_PROPERTYGET ? kInvokePropertyGet
                                                               : flags;
    DispatchServer& server = owner_.server();
    auto found = server.objects_.find(path_);
    if (found == server.objects_.end()) return RPC_E_DISCONNECTED;
    // The object may add objects while it answers (the map keeps its entries in place).
    DispatchReply reply = found->second.object->Invoke(server, dispatch_id, kind, arguments);
    if (reply.error_name) {
      if (*reply.error_name == kErrorMemberNotFound) return DISP_E_MEMBERNOTFOUND;
      if (exception != nullptr) {
        *exception = EXCEPINFO{};
        exception->scode = E_FAIL;
        exception->bstrSource = win32::Bstr(server.class_name_).Detach();
        exception->bstrDescription = win32::Bstr(reply.error_message).Detach();
      }
      return DISP_E_EXCEPTION;
    }
    Deliver(reply.result, result);
    for (std::size_t i = 0; i < reply.out_arguments.size(); ++i) {
      Deliver(reply.out_arguments[i], i < out_slots.size() ? out_slots[i] : nullptr);
    }
    return S_OK;
  }

 private:
  // Puts a value into the caller's VARIANT: a number as VT_I4, a text as VT_BSTR, an object as
  // VT_DISPATCH (null for none). A new object nobody receives is released at once.
  void Deliver(const DispatchValue& value, VARIANT* slot) {
    const auto* object = std::get_if<ObjectRef>(&value);
    const bool has_object = object != nullptr && object->path != "/";
    if (slot == nullptr) {
      if (has_object) owner_.ReleaseReference(object->path);
      return;
    }
    ::VariantClear(slot);
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
      slot->vt = VT_I4;
      slot->lVal = *number;
    } else if (const auto* text = std::get_if<std::string>(&value)) {
      slot->vt = VT_BSTR;
      slot->bstrVal = win32::Bstr(*text).Detach();
    } else {
      slot->vt = VT_DISPATCH;
      slot->pdispVal = has_object ? owner_.Dispatch(object->path) : nullptr;
    }
  }

  ComClass& owner_;
  std::string path_;
};

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
