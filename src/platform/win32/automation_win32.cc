// Automation on Windows: classes by ProgID, objects through IDispatch.
//
// A call passes its arguments to IDispatch::Invoke in reverse order, as DISPPARAMS wants them
// (texts as BSTR, numbers as VT_I4). A property read goes out as DISPATCH_METHOD |
// DISPATCH_PROPERTYGET, as VB and script clients send it, so that a member the object declares
// as a method answers it too. A caller that asks for out-arguments gets one, passed by reference
// after the inputs and filled by the object (e.g. with the object a log-in hands back). Servers
// that dispatch through type information accept only the by-reference type they declare, so the
// declared type is read from the object's type information first (com_declared_type.h). Without
// one, the argument goes out as a VARIANT (VT_BYREF | VT_VARIANT) and, when the object answers
// DISP_E_TYPEMISMATCH (it has not run the call), once more as an object reference
// (VT_BYREF | VT_DISPATCH). Not the other way round: a member declared VARIANT* takes an object
// reference too (oleaut32 and MFC hand it a VARIANT that wraps a copy), runs, and what it puts
// there never reaches the caller, so the object a log-in hands out would be lost. The result is
// converted with VariantChangeType to the type the caller expects; objects arrive as IDispatch (an
// empty or null result is "no object"). Every failed HRESULT, the object's exceptions included, is
// thrown as AutomationError naming the dispatch id and the HRESULT in hex, with the exception's
// source and description. Each Invoke is bounded (bounded_invoke.h): one that outlives the call
// limit is given up and thrown as AutomationTimeout, and from then on no object of that server is
// released (a release is a call too, and would hang as long). Finding the running instance and
// creating one in a server program, with the request for IDispatch after either, run on a call
// thread too; an object that comes back is handed over to the caller's apartment.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/automation.h"
#include "platform/win32/bounded_invoke.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/com_declared_type.h"
#include "platform/win32/com_error.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/com_text.h"

namespace radlyn::platform {
namespace {

using win32::Bstr;
using win32::ComPtr;
using win32::DescribeHresult;
using win32::Variant;

// "automation method call 2", naming the call in error texts.
std::string CallName(std::int32_t dispatch_id, InvokeKind kind) {
  return std::string("automation ") +
         (kind == InvokeKind::kPropertyGet ? "property read " : "method call ") +
         std::to_string(dispatch_id);
}

// The text of a failed Invoke: what failed, the HRESULT, and what the object said about it.
// `argument_error` indexes DISPPARAMS, which lists the `count` arguments last to first.
std::string DescribeFailure(const std::string& call, HRESULT result, EXCEPINFO& exception,
                            UINT argument_error, std::size_t count) {
  std::string text = call + " failed: " + DescribeHresult(result);
  if (result == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
    const HRESULT code =
        exception.scode != 0 ? exception.scode : static_cast<HRESULT>(exception.wCode);
    if (code != 0) text += "; exception " + DescribeHresult(code);
    const std::string source = win32::AnsiFromBstr(exception.bstrSource);
    const std::string description = win32::AnsiFromBstr(exception.bstrDescription);
    if (!source.empty()) text += "; source: " + source;
    if (!description.empty()) text += "; " + description;
  } else if ((result == DISP_E_TYPEMISMATCH || result == DISP_E_PARAMNOTFOUND) &&
             argument_error < count) {
    text += "; argument " + std::to_string(count - argument_error) + " of " + std::to_string(count);
  }
  return text;
}

// An object handed back whose request for IDispatch the call thread saw refused.
bool IsUncallableObject(const VARIANT& value) {
  return value.vt == VT_ERROR && value.scode == E_NOINTERFACE;
}

[[noreturn]] void ThrowUncallable() {
  throw AutomationError("the object handed back cannot be called (no IDispatch)");
}

// Set once a call to a server has outlived its limit; shared by all objects of that server.
using HungFlag = std::shared_ptr<bool>;

// A new server's object has a flag of its own; objects it hands out share it.
std::unique_ptr<AutomationObject> WrapDispatch(ComPtr<IDispatch> dispatch,
                                               HungFlag hung = std::make_shared<bool>(false));

// An object value (IDispatch or IUnknown, possibly null) as an automation object of the server
// whose flag is `hung`.
std::unique_ptr<AutomationObject> ObjectFrom(const VARIANT& value, const HungFlag& hung) {
  if (value.vt == VT_DISPATCH) {
    if (value.pdispVal == nullptr) return nullptr;
    value.pdispVal->AddRef();
    return WrapDispatch(ComPtr<IDispatch>(value.pdispVal), hung);
  }
  // VT_UNKNOWN: only objects that can be called are of use. A call made on a call thread has
  // asked for IDispatch there already (bounded_invoke.h); here only an object of this apartment.
  if (value.punkVal == nullptr) return nullptr;
  ComPtr<IDispatch> dispatch;
  if (FAILED(value.punkVal->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid()))) {
    ThrowUncallable();
  }
  return WrapDispatch(std::move(dispatch), hung);
}

std::int32_t IntFrom(VARIANT& value) {
  Variant converted;
  const HRESULT result = ::VariantChangeType(converted.get(), &value, 0, VT_I4);
  if (FAILED(result)) {
    throw AutomationError("result is no 32-bit number: " + DescribeHresult(result));
  }
  return static_cast<std::int32_t>(converted->lVal);
}

std::string TextFrom(VARIANT& value) {
  Variant converted;
  const HRESULT result = ::VariantChangeType(converted.get(), &value, 0, VT_BSTR);
  if (FAILED(result)) {
    throw AutomationError("result is no text: " + DescribeHresult(result));
  }
  return win32::AnsiFromBstr(converted->bstrVal);
}

bool IsObjectOrNothing(VARTYPE type) {
  return type == VT_DISPATCH || type == VT_UNKNOWN || type == VT_EMPTY || type == VT_NULL;
}

AutomationResult ConvertResult(VARIANT& value, ResultType type, const HungFlag& hung) {
  switch (type) {
    case ResultType::kNone:
      return std::monostate{};
    case ResultType::kInt32:
      return IntFrom(value);
    case ResultType::kText:
      return TextFrom(value);
    case ResultType::kObject:
      if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
        return std::unique_ptr<AutomationObject>();
      }
      if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) return ObjectFrom(value, hung);
      if (IsUncallableObject(value)) ThrowUncallable();
      break;
  }
  throw AutomationError("result of type " + std::to_string(value.vt) + " is no object");
}

// An out-argument as the object sent it: an object (or none), a text, or a number.
AutomationResult OutArgumentFrom(VARIANT& value, const HungFlag& hung) {
  if (IsObjectOrNothing(value.vt) || IsUncallableObject(value)) {
    return ConvertResult(value, ResultType::kObject, hung);
  }
  if (value.vt == VT_BSTR) return win32::AnsiFromBstr(value.bstrVal);
  return IntFrom(value);
}

// Makes `slot` a reference of type VT_BYREF | `type` to the empty value `holder`, which then
// receives what the object hands back and is read like any value of that type.
void PassByReference(VARTYPE type, VARIANT& holder, VARIANT& slot) {
  holder.llVal = 0;  // no object, text or number yet
  holder.vt = type == VT_VARIANT ? static_cast<VARTYPE>(VT_EMPTY) : type;
  slot.vt = static_cast<VARTYPE>(VT_BYREF | type);
  switch (type) {
    case VT_VARIANT:
      slot.pvarVal = &holder;
      break;
    case VT_DISPATCH:
      slot.ppdispVal = &holder.pdispVal;
      break;
    case VT_UNKNOWN:
      slot.ppunkVal = &holder.punkVal;
      break;
    case VT_BSTR:
      slot.pbstrVal = &holder.bstrVal;
      break;
    default:
      holder.vt = VT_I4;
      slot.vt = VT_BYREF | VT_I4;
      slot.plVal = &holder.lVal;
      break;
  }
}

// A call's frame with its input arguments (texts as BSTR, numbers as VT_I4), last first as
// DISPPARAMS lists them; `count` leaves room for an out-argument in front.
std::shared_ptr<win32::InvokeFrame> MakeFrame(const std::vector<AutomationArgument>& arguments,
                                              std::size_t count) {
  auto frame = std::make_shared<win32::InvokeFrame>(count);
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    VARIANT* slot = frame->values[count - 1 - i].get();
    if (const auto* number = std::get_if<std::int32_t>(&arguments[i])) {
      slot->vt = VT_I4;
      slot->lVal = *number;
    } else {
      slot->bstrVal = Bstr(std::get<std::string>(arguments[i])).Detach();
      slot->vt = VT_BSTR;
    }
  }
  // Variant holds exactly one VARIANT, so the holders lie in memory as the array Invoke reads.
  static_assert(sizeof(Variant) == sizeof(VARIANT));
  return frame;
}

class DispatchObject final : public AutomationObject {
 public:
  DispatchObject(ComPtr<IDispatch> dispatch, HungFlag hung)
      : dispatch_(std::move(dispatch)), hung_(std::move(hung)) {}
  ~DispatchObject() override {
    if (*hung_) dispatch_.Detach();  // left to the end of the process
  }

  AutomationResult Invoke(std::int32_t dispatch_id, InvokeKind kind,
                          const std::vector<AutomationArgument>& arguments, ResultType result_type,
                          std::vector<AutomationResult>* out_arguments) override {
    const std::size_t count = arguments.size() + (out_arguments != nullptr ? 1 : 0);
    const WORD flags = kind == InvokeKind::kPropertyGet
                           ? static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET)
                           : static_cast<WORD>(DISPATCH_METHOD);

    const std::uint32_t limit_ms = AutomationCallLimitMs();
    // The forms the out-argument is tried in: the declared one, else VARIANT, then object.
    std::vector<VARTYPE> out_forms;
    if (out_arguments != nullptr) {
      const VARTYPE declared =
          DeclaredOutType(static_cast<DISPID>(dispatch_id), kind, flags, count - 1, limit_ms);
      out_forms = declared != VT_EMPTY ? std::vector<VARTYPE>{declared}
                                       : std::vector<VARTYPE>{VT_VARIANT, VT_DISPATCH};
    } else {
      out_forms = {VT_EMPTY};
    }

    std::shared_ptr<win32::InvokeFrame> frame;
    for (std::size_t attempt = 0; attempt < out_forms.size(); ++attempt) {
      frame = MakeFrame(arguments, count);
      if (out_arguments != nullptr) {
        PassByReference(out_forms[attempt], *frame->out_value.Receive(), *frame->values[0].get());
      }
      if (!win32::InvokeWithin(*dispatch_.get(), static_cast<DISPID>(dispatch_id), flags, frame,
                               limit_ms)) {
        *hung_ = true;
        throw AutomationTimeout(CallName(dispatch_id, kind), limit_ms);
      }
      if (frame->outcome == DISP_E_TYPEMISMATCH && attempt + 1 < out_forms.size()) continue;
      if (FAILED(frame->outcome)) {
        throw AutomationError(DescribeFailure(CallName(dispatch_id, kind), frame->outcome,
                                              frame->exception, frame->argument_error, count));
      }
      break;
    }
    try {
      AutomationResult converted = ConvertResult(*frame->result.get(), result_type, hung_);
      if (out_arguments != nullptr) {
        out_arguments->push_back(OutArgumentFrom(*frame->out_value.get(), hung_));
      }
      return converted;
    } catch (const AutomationError& error) {
      throw AutomationError(CallName(dispatch_id, kind) + ": " + error.what());
    }
  }

 private:
  // The declared type of the out-argument at `index`. Reading the type information crosses into
  // the server as the call itself does, and a server can hang there as well (one loading its type
  // library from a share that does not answer), so the reading shares the call's limit and, given
  // up on, ends the call the same way.
  VARTYPE DeclaredOutType(DISPID dispatch_id, InvokeKind kind, WORD flags, std::size_t index,
                          std::uint32_t limit_ms) {
    auto declared = std::make_shared<VARTYPE>(static_cast<VARTYPE>(VT_EMPTY));
    HRESULT reached = S_OK;
    if (!win32::RunWithin(
            *dispatch_.get(), limit_ms,
            [declared, dispatch_id, flags, index](IDispatch& object) {
              *declared =
                  win32::DeclaredByRefType(object, dispatch_id, flags, static_cast<UINT>(index));
            },
            reached)) {
      *hung_ = true;
      throw AutomationTimeout(CallName(dispatch_id, kind), limit_ms);
    }
    return *declared;  // VT_EMPTY too when the object could not be reached: the call says why
  }

  ComPtr<IDispatch> dispatch_;
  HungFlag hung_;
};

std::unique_ptr<AutomationObject> WrapDispatch(ComPtr<IDispatch> dispatch, HungFlag hung) {
  return std::make_unique<DispatchObject>(std::move(dispatch), std::move(hung));
}

bool FindClass(std::string_view prog_id, CLSID& class_id) {
  win32::EnsureComApartment();
  const std::wstring name = win32::WideFromAnsi(prog_id);
  return SUCCEEDED(::CLSIDFromProgID(name.c_str(), &class_id));
}

// A step that finds or creates an instance on a call thread, and how far it got.
struct Connecting {
  volatile LONG stage = 0;    // 1: the instance is asked for IDispatch; 2: its plain reference
                              // is released
  HRESULT obtained = E_FAIL;  // the lookup's or the creation's answer
  HRESULT asked = E_FAIL;     // the request for IDispatch
  win32::Handover dispatch;
};

// Runs `obtain` (named `step`), the request for IDispatch on the instance it gives and the release
// of its plain reference on a call thread, under the call limit; the answer is in the returned
// state. AutomationTimeout names the step that did not answer.
std::shared_ptr<Connecting> ConnectWithin(std::string_view prog_id, const char* step,
                                          std::function<HRESULT(IUnknown**)> obtain) {
  auto connecting = std::make_shared<Connecting>();
  const std::uint32_t limit_ms = AutomationCallLimitMs();
  HRESULT reached = S_OK;
  const bool ended = win32::RunOnCallThread(
      limit_ms,
      [connecting, obtain = std::move(obtain)] {
        IUnknown* instance = nullptr;
        connecting->obtained = win32::RetryWhileBusy([&] { return obtain(&instance); });
        if (FAILED(connecting->obtained) || instance == nullptr) return;
        ::InterlockedExchange(&connecting->stage, 1);
        IUnknown* dispatch = nullptr;
        connecting->asked = win32::RetryWhileBusy([&] {
          return instance->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
        });
        ::InterlockedExchange(&connecting->stage, 2);
        instance->Release();
        if (SUCCEEDED(connecting->asked) && dispatch != nullptr) {
          connecting->dispatch.Put(dispatch, IID_IDispatch);
          dispatch->Release();
        }
      },
      reached);
  if (!ended) {
    const char* const steps[] = {step, "QueryInterface", "Release"};
    const std::string hung = steps[::InterlockedCompareExchange(&connecting->stage, 0, 0)];
    throw AutomationTimeout("automation " + hung + " of " + std::string(prog_id), limit_ms, hung);
  }
  if (FAILED(reached)) connecting->obtained = reached;
  return connecting;
}

std::unique_ptr<AutomationObject> TakeDispatch(Connecting& connecting) {
  ComPtr<IDispatch> dispatch(static_cast<IDispatch*>(connecting.dispatch.Take(IID_IDispatch)));
  if (!dispatch) return nullptr;
  return WrapDispatch(std::move(dispatch));
}

class Win32Automation final : public Automation {
 public:
  bool IsClassRegistered(std::string_view prog_id) override {
    CLSID class_id;
    return FindClass(prog_id, class_id);
  }

  RunningInstance FindRunningInstance(std::string_view prog_id) override {
    RunningInstance instance;
    CLSID class_id;
    if (!FindClass(prog_id, class_id)) return instance;
    const std::shared_ptr<Connecting> found = ConnectWithin(
        prog_id, "GetActiveObject",
        [class_id](IUnknown** running) { return ::GetActiveObject(class_id, nullptr, running); });
    // MK_E_UNAVAILABLE: no instance is registered as running.
    if (FAILED(found->obtained) || found->stage == 0) return instance;
    instance.running = true;
    // A failed request refuses the interface; a successful one may still hand out no object.
    if (FAILED(found->asked)) {
      instance.refused = true;
      return instance;
    }
    instance.object = TakeDispatch(*found);
    return instance;
  }

  std::unique_ptr<AutomationObject> CreateInstance(std::string_view prog_id) override {
    CLSID class_id;
    if (!FindClass(prog_id, class_id)) return nullptr;
    // A class served inside this program first, as CLSCTX_SERVER tries it: created directly.
    ComPtr<IUnknown> created;
    const HRESULT in_process = ::CoCreateInstance(class_id, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IUnknown, created.ReceiveVoid());
    if (SUCCEEDED(in_process)) {
      ComPtr<IDispatch> dispatch = created.As<IDispatch>(IID_IDispatch);
      if (!dispatch) return nullptr;
      return WrapDispatch(std::move(dispatch));
    }
    if (in_process != REGDB_E_CLASSNOTREG && in_process != REGDB_E_KEYMISSING) return nullptr;
    // A server program: started, asked for an instance and the instance for IDispatch, bounded.
    const std::shared_ptr<Connecting> made =
        ConnectWithin(prog_id, "CreateInstance", [class_id](IUnknown** instance) {
          return ::CoCreateInstance(class_id, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                    IID_IUnknown, reinterpret_cast<void**>(instance));
        });
    if (FAILED(made->obtained) || FAILED(made->asked)) return nullptr;
    return TakeDispatch(*made);
  }
};

}  // namespace

Automation& Automation::Native() {
  static Win32Automation automation;
  return automation;
}

}  // namespace radlyn::platform
