// The Windows automation backend against a class every Windows (and Wine) registers,
// Scripting.Dictionary, and against an object of this test registered as the running instance
// of that class, which hands back an out-argument of the type it declares and raises an
// exception.
#ifdef _WIN32

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/automation.h"
#include "platform/component_system.h"
#include "platform/win32/bounded_invoke.h"
#include "platform/win32/com_text.h"
#include "platform/win32/windows_api.h"
// The COM declarations need the Win32 types above.
#include <ole2.h>

namespace radlyn::platform {
namespace {

using ::testing::HasSubstr;

constexpr char kDictionary[] = "Scripting.Dictionary";
// Dispatch ids of Scripting.Dictionary.
constexpr std::int32_t kItem = 0;
constexpr std::int32_t kAdd = 1;
constexpr std::int32_t kCount = 2;
constexpr std::int32_t kExists = 3;

// Dispatch ids of TestServer.
constexpr std::int32_t kLogin = 2;
constexpr std::int32_t kRefuse = 3;
constexpr std::int32_t kName = 4;

// Simplified type information declaring Login's out-argument as VT_BYREF | `declared`.
ITypeInfo* LoginTypeInfo(VARTYPE declared) {
  static wchar_t name[] = L"name", login[] = L"login", method[] = L"Login";
  PARAMDATA parameters[] = {{name, VT_BSTR}, {login, static_cast<VARTYPE>(VT_BYREF | declared)}};
  METHODDATA methods[] = {{method, parameters, kLogin, 0, CC_STDCALL, 2, DISPATCH_METHOD, VT_I4}};
  INTERFACEDATA data{methods, 1};
  ITypeInfo* info = nullptr;
  EXPECT_EQ(::CreateDispTypeInfo(&data, LOCALE_SYSTEM_DEFAULT, &info), S_OK);
  return info;
}

// A minimal automation object: kLogin checks its text argument and hands itself back through the
// by-reference out-argument, which must be of the type `accepts` names (as a server dispatching
// through its type information checks it); kRefuse raises an exception; kName is a method that
// answers property reads made by both kinds at once. It counts its references and Login's
// attempts, can deny being callable, and gives out `type_info` when it has one.
class TestServer final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!IsEqualIID(iid, IID_IUnknown) && !(IsEqualIID(iid, IID_IDispatch) && callable)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = type_info != nullptr ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (type_info == nullptr) return E_NOTIMPL;
    type_info->AddRef();
    *info = type_info;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    if (busy_answers > 0) {
      --busy_answers;
      return RPC_E_SERVERCALL_RETRYLATER;
    }
    if (id == kRefuse) {
      exception->scode = E_ACCESSDENIED;
      exception->bstrSource = ::SysAllocString(L"TestServer");
      exception->bstrDescription = ::SysAllocString(L"refused on purpose");
      return DISP_E_EXCEPTION;
    }
    if (id == kName && (flags & DISPATCH_METHOD) != 0) {
      result->vt = VT_BSTR;
      result->bstrVal = ::SysAllocString(L"server");
      return S_OK;
    }
    if (id != kLogin || flags != DISPATCH_METHOD) return DISP_E_MEMBERNOTFOUND;
    ++login_attempts;
    // Arguments arrive last to first: the out-argument, then the name.
    if (parameters->cArgs != 2 || parameters->rgvarg[1].vt != VT_BSTR ||
        std::wstring(parameters->rgvarg[1].bstrVal) != L"MorlundNG" ||
        parameters->rgvarg[0].vt != (VT_BYREF | accepts)) {
      return DISP_E_TYPEMISMATCH;
    }
    AddRef();
    if (accepts == VT_DISPATCH) {
      *parameters->rgvarg[0].ppdispVal = this;
    } else {
      VARIANT* login = parameters->rgvarg[0].pvarVal;
      login->vt = VT_DISPATCH;
      login->pdispVal = this;
    }
    result->vt = VT_I4;
    result->lVal = 7;
    return S_OK;
  }

  ULONG references = 1;
  bool callable = true;
  VARTYPE accepts = VT_VARIANT;
  ITypeInfo* type_info = nullptr;
  int login_attempts = 0;
  int busy_answers = 0;  // calls answered "busy, retry later" before the next is run
};

// Registers `object` as the running instance of Scripting.Dictionary while it lives.
class RunningRegistration {
 public:
  explicit RunningRegistration(IUnknown* object) {
    CLSID class_id;
    EXPECT_EQ(::CLSIDFromProgID(L"Scripting.Dictionary", &class_id), S_OK);
    EXPECT_EQ(::RegisterActiveObject(object, class_id, ACTIVEOBJECT_STRONG, &cookie_), S_OK);
  }
  ~RunningRegistration() { ::RevokeActiveObject(cookie_, nullptr); }

 private:
  DWORD cookie_ = 0;
};

// A TestServer in an apartment of its own, on its own thread, registered there as the running
// instance: the test reaches it only through proxies, as it would a server program. Paused, the
// thread handles no calls (a hung server) until it is resumed.
class ServerThread {
 public:
  explicit ServerThread(TestServer& server)
      : resume_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        thread_([this, &server] { Serve(server); }) {
    while (id_ == 0) std::this_thread::yield();
  }
  ~ServerThread() {
    // The calls given up on end once their server is back, and then release what they held:
    // their server goes on handling calls meanwhile.
    Resume();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ::PostThreadMessageW(id_, kQuit, 0, 0);
    thread_.join();
    ::CloseHandle(resume_);
  }
  void Pause() { ::PostThreadMessageW(id_, kPause, 0, 0); }
  void Resume() { ::SetEvent(resume_); }

 private:
  static constexpr UINT kPause = WM_APP;
  static constexpr UINT kQuit = WM_APP + 1;

  void Serve(TestServer& server) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
      RunningRegistration registration(&server);
      MSG message;
      ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
      id_ = ::GetCurrentThreadId();
      while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == kPause) ::WaitForSingleObject(resume_, INFINITE);
        // Quits once the calls that queued up meanwhile have been handled.
        if (message.message == kQuit) ::PostQuitMessage(0);
        ::DispatchMessageW(&message);
      }
    }
    ::CoUninitialize();
  }

  HANDLE resume_;
  std::atomic<DWORD> id_{0};
  std::thread thread_;
};

HRESULT FailedWait(DWORD, HANDLE, DWORD*) { return E_INVALIDARG; }

// Initialize and Uninitialize pair up on a thread: afterwards the thread is in no apartment and
// may enter another kind; a second Uninitialize, or one without Initialize, does nothing. (First:
// once a call has been given up on, Uninitialize leaves the apartment as it is.)
TEST(ComponentSystemWin32Test, UninitializeLeavesTheApartmentInitializeEntered) {
  std::thread([] {
    ComponentSystem& components = ComponentSystem::Native();
    components.Uninitialize();
    ASSERT_TRUE(components.Initialize());
    ASSERT_TRUE(components.Initialize());
    components.Uninitialize();
    components.Uninitialize();
    const HRESULT entered = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(entered, S_OK);
    if (SUCCEEDED(entered)) ::CoUninitialize();
  }).join();
}

TEST(AutomationWin32Test, ClassesAreFoundByProgId) {
  Automation& automation = Automation::Native();
  EXPECT_TRUE(automation.IsClassRegistered(kDictionary));
  EXPECT_FALSE(automation.IsClassRegistered("Radlyn.NoSuchClass"));
  EXPECT_EQ(automation.CreateInstance("Radlyn.NoSuchClass"), nullptr);
  RunningInstance none = automation.FindRunningInstance(kDictionary);
  EXPECT_FALSE(none.running);
  EXPECT_EQ(none.object, nullptr);
}

TEST(AutomationWin32Test, CallsPassArgumentsInOrderAndConvertResults) {
  std::unique_ptr<AutomationObject> dictionary = Automation::Native().CreateInstance(kDictionary);
  ASSERT_NE(dictionary, nullptr);
  // Keys and items: texts in the ANSI code page and numbers.
  dictionary->Invoke(kAdd, InvokeKind::kMethod, {std::string("one"), std::string("1")},
                     ResultType::kNone);
  dictionary->Invoke(kAdd, InvokeKind::kMethod, {std::string("caf\xE9"), 42}, ResultType::kNone);

  AutomationResult count =
      dictionary->Invoke(kCount, InvokeKind::kPropertyGet, {}, ResultType::kInt32);
  EXPECT_EQ(ResultAsInt(count), 2);
  AutomationResult text_as_number =
      dictionary->Invoke(kItem, InvokeKind::kPropertyGet, {std::string("one")}, ResultType::kInt32);
  EXPECT_EQ(ResultAsInt(text_as_number), 1);
  AutomationResult number_as_text = dictionary->Invoke(kItem, InvokeKind::kPropertyGet,
                                                       {std::string("caf\xE9")}, ResultType::kText);
  EXPECT_EQ(ResultAsText(number_as_text), "42");
  AutomationResult exists =
      dictionary->Invoke(kExists, InvokeKind::kMethod, {std::string("two")}, ResultType::kInt32);
  EXPECT_EQ(ResultAsInt(exists), 0);
  AutomationResult absent = dictionary->Invoke(kItem, InvokeKind::kPropertyGet,
                                               {std::string("two")}, ResultType::kObject);
  EXPECT_EQ(ResultAsObject(absent), nullptr);
}

TEST(AutomationWin32Test, RejectedCallsAndUnconvertibleResultsThrow) {
  std::unique_ptr<AutomationObject> dictionary = Automation::Native().CreateInstance(kDictionary);
  ASSERT_NE(dictionary, nullptr);
  dictionary->Invoke(kAdd, InvokeKind::kMethod, {std::string("k"), std::string("v")},
                     ResultType::kNone);
  try {
    dictionary->Invoke(999, InvokeKind::kMethod, {}, ResultType::kNone);
    ADD_FAILURE() << "an unknown dispatch id was accepted";
  } catch (const AutomationError& error) {
    EXPECT_THAT(error.what(), HasSubstr("999"));
    EXPECT_THAT(error.what(), HasSubstr("0x80020003"));
  }
  // A key added twice: the object's own exception.
  EXPECT_THROW(dictionary->Invoke(kAdd, InvokeKind::kMethod, {std::string("k"), std::string("w")},
                                  ResultType::kNone),
               AutomationError);
  EXPECT_THROW(
      dictionary->Invoke(kItem, InvokeKind::kPropertyGet, {std::string("k")}, ResultType::kInt32),
      AutomationError);
  EXPECT_THROW(
      dictionary->Invoke(kItem, InvokeKind::kPropertyGet, {std::string("k")}, ResultType::kObject),
      AutomationError);
}

TEST(AutomationWin32Test, RunningInstanceHandsBackOutArgumentsAndReleasesEveryReference) {
  TestServer server;
  // The declared form goes out first; without type information the VARIANT form does, and the
  // object form follows a type mismatch.
  const struct {
    VARTYPE accepts;
    bool typed;
    int attempts;
  } kCases[] = {{VT_VARIANT, false, 1},
                {VT_DISPATCH, false, 2},
                {VT_VARIANT, true, 1},
                {VT_DISPATCH, true, 1}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.accepts) + (c.typed ? " typed" : " untyped"));
    server.accepts = c.accepts;
    server.type_info = c.typed ? LoginTypeInfo(c.accepts) : nullptr;
    server.login_attempts = 0;
    const ULONG before = server.references;
    {
      RunningRegistration registration(&server);
      RunningInstance running = Automation::Native().FindRunningInstance(kDictionary);
      ASSERT_TRUE(running.running);
      ASSERT_NE(running.object, nullptr);

      std::vector<AutomationResult> out_arguments;
      AutomationResult status =
          running.object->Invoke(kLogin, InvokeKind::kMethod, {std::string("MorlundNG")},
                                 ResultType::kInt32, &out_arguments);
      EXPECT_EQ(ResultAsInt(status), 7);
      EXPECT_EQ(server.login_attempts, c.attempts);
      ASSERT_EQ(out_arguments.size(), 1u);
      std::unique_ptr<AutomationObject> login = ResultAsObject(out_arguments[0]);
      ASSERT_NE(login, nullptr);
      AutomationResult name = login->Invoke(kName, InvokeKind::kPropertyGet, {}, ResultType::kText);
      EXPECT_EQ(ResultAsText(name), "server");
      try {
        login->Invoke(kRefuse, InvokeKind::kMethod, {}, ResultType::kNone);
        ADD_FAILURE() << "the refusal was not raised";
      } catch (const AutomationError& error) {
        EXPECT_THAT(error.what(), HasSubstr("0x80070005"));
        EXPECT_THAT(error.what(), HasSubstr("TestServer"));
        EXPECT_THAT(error.what(), HasSubstr("refused on purpose"));
      }
    }
    // Every reference is given back (the lookup's proxy and its stubs with the registration).
    EXPECT_EQ(server.references, before);
    if (server.type_info != nullptr) server.type_info->Release();
    server.type_info = nullptr;
  }
  EXPECT_EQ(server.references, 1u);

  // Running, but refusing its automation interface: found refused, without an object.
  server.callable = false;
  RunningRegistration registration(&server);
  RunningInstance running = Automation::Native().FindRunningInstance(kDictionary);
  EXPECT_TRUE(running.running);
  EXPECT_TRUE(running.refused);
  EXPECT_EQ(running.object, nullptr);
}

// A server of another apartment is reached through call threads: a busy answer is asked again
// until the call runs; a wait for the call thread that fails, and a server that stops handling
// calls (in the call, and in the lookup and the request for IDispatch), end the call as given up
// on, within the limit.
TEST(AutomationWin32Test, ServerOfAnotherApartmentIsRetriedWhenBusyAndGivenUpOnWhenHung) {
  ::SetEnvironmentVariableA("RADLYN_CALL_LIMIT_MS", "1500");
  TestServer server;
  ServerThread thread(server);
  {
    RunningInstance running = Automation::Native().FindRunningInstance(kDictionary);
    ASSERT_NE(running.object, nullptr);
    server.busy_answers = 5;
    AutomationResult name =
        running.object->Invoke(kName, InvokeKind::kPropertyGet, {}, ResultType::kText);
    EXPECT_EQ(ResultAsText(name), "server");
    EXPECT_EQ(server.busy_answers, 0);

    win32::SetCallWaitForTesting(&FailedWait);
    EXPECT_THROW(running.object->Invoke(kName, InvokeKind::kPropertyGet, {}, ResultType::kText),
                 AutomationTimeout);
    win32::SetCallWaitForTesting(nullptr);

    thread.Pause();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(running.object->Invoke(kName, InvokeKind::kPropertyGet, {}, ResultType::kText),
                 AutomationTimeout);
    try {
      Automation::Native().FindRunningInstance(kDictionary);
      ADD_FAILURE() << "the lookup of a hung instance ended";
    } catch (const AutomationTimeout& timeout) {
      EXPECT_THAT(timeout.step(), ::testing::AnyOf("GetActiveObject", "QueryInterface"));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
  }
  thread.Resume();
  ::SetEnvironmentVariableA("RADLYN_CALL_LIMIT_MS", nullptr);
}

// Texts leave UTF-16 without best-fit substitutes where a code page allows that choice, and
// whole where it does not (UTF-8 as the ANSI code page, UTF-7).
TEST(ComTextTest, CodePagesThatRefuseTheNoBestFitOptionsStillConvert) {
  const std::wstring text = L"Zo\u00EB \u0101 \u2713";
  EXPECT_EQ(win32::NarrowFromWide(text, 1252), "Zo\xEB ? ?");
  EXPECT_EQ(win32::NarrowFromWide(text, CP_UTF8), "Zo\xC3\xAB \xC4\x81 \xE2\x9C\x93");
  EXPECT_EQ(win32::NarrowFromWide(L"\u00E9", CP_UTF7), "+AOk-");
}

}  // namespace
}  // namespace radlyn::platform

#endif  // _WIN32
