// The Windows automation backend against a class every Windows (and Wine) registers,
// Scripting.Dictionary, and against an object of this test registered as the running instance
// of that class, which hands back an out-argument of the type it declares and raises an
// exception.
#ifdef _WIN32

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/automation.h"
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
    RunningRegistration registration(&server);
    const ULONG registered = server.references;
    {
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
    EXPECT_EQ(server.references, registered);
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

}  // namespace
}  // namespace radlyn::platform

#endif  // _WIN32
