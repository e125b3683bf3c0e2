// Error numbers that cross the automation boundary. They are HRESULT values
// kept in a plain integer so that the platform-neutral core needs no Windows
// headers; zero means no failure.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace tbo {

using ErrorNumber = std::int32_t;

constexpr ErrorNumber ErrorFromCode(std::uint32_t code) {
  return static_cast<ErrorNumber>(code);
}

inline constexpr ErrorNumber kNoError = 0;
inline constexpr ErrorNumber kUnexpected = ErrorFromCode(0x8000FFFF);
inline constexpr ErrorNumber kFail = ErrorFromCode(0x80004005);
inline constexpr ErrorNumber kMemberNotFound = ErrorFromCode(0x80020003);
inline constexpr ErrorNumber kParamNotFound = ErrorFromCode(0x80020004);
inline constexpr ErrorNumber kTypeMismatch = ErrorFromCode(0x80020005);
inline constexpr ErrorNumber kUnknownName = ErrorFromCode(0x80020006);
inline constexpr ErrorNumber kException = ErrorFromCode(0x80020009);
inline constexpr ErrorNumber kOverflow = ErrorFromCode(0x8002000A);
inline constexpr ErrorNumber kBadParamCount = ErrorFromCode(0x8002000E);
inline constexpr ErrorNumber kCallRejected = ErrorFromCode(0x80010001);  // RPC_E_CALL_REJECTED
inline constexpr ErrorNumber kRetryLater = ErrorFromCode(0x8001010A);    // RPC_E_SERVERCALL_RETRYLATER
// A call given up after the time limit of an unattended run, or made to an
// instance that stopped answering.
inline constexpr ErrorNumber kCallCanceled = ErrorFromCode(0x80010002);  // RPC_E_CALL_CANCELED
// An application's own "busy" answer besides the RPC rejections (a cell
// being edited, a dialog open).
inline constexpr ErrorNumber kApplicationBusy = ErrorFromCode(0x800AC472);
inline constexpr ErrorNumber kNotRunning = ErrorFromCode(0x800401E3);  // MK_E_UNAVAILABLE
// No such programmatic identifier: the application is not installed.
inline constexpr ErrorNumber kNotInstalled = ErrorFromCode(0x800401F3);  // CO_E_CLASSSTRING
inline constexpr ErrorNumber kCallFailed = ErrorFromCode(0x800706BE);      // RPC_S_CALL_FAILED
inline constexpr ErrorNumber kServerUnavailable = ErrorFromCode(0x800706BA);  // RPC_S_SERVER_UNAVAILABLE
inline constexpr ErrorNumber kUnknownInterface = ErrorFromCode(0x800706B5);   // RPC_S_UNKNOWN_IF
inline constexpr ErrorNumber kDisconnected = ErrorFromCode(0x80010108);       // RPC_E_DISCONNECTED
inline constexpr ErrorNumber kServerDied = ErrorFromCode(0x80010007);         // RPC_E_SERVER_DIED
inline constexpr ErrorNumber kServerDiedDne = ErrorFromCode(0x80010012);      // RPC_E_SERVER_DIED_DNE
inline constexpr ErrorNumber kServerStopping = ErrorFromCode(0x80080008);     // CO_E_SERVER_STOPPING
inline constexpr ErrorNumber kServerExecFailure = ErrorFromCode(0x80080005);  // CO_E_SERVER_EXEC_FAILURE
inline constexpr ErrorNumber kClassNotRegistered = ErrorFromCode(0x80040154);  // REGDB_E_CLASSNOTREG

// A busy server is asked again.
constexpr bool IsBusy(ErrorNumber e) { return e == kCallRejected || e == kRetryLater || e == kApplicationBusy; }

// An Office told to quit lingers for a while: still listed, answering
// nothing, refusing creations as stopping. Those answers are asked again.
constexpr bool IsStopping(ErrorNumber e) {
  return e == kServerStopping || e == kDisconnected || e == kServerUnavailable;
}

// A creation that races the lingering instance's exit is answered from the
// dying process: a lost connection, or "class not registered" (Wine's word
// for any failed activation). Asked again only after the instance was seen
// lingering, so a machine without the application never waits.
constexpr bool IsStoppingAfterLinger(ErrorNumber e, bool lingeringSeen) {
  if (IsStopping(e)) return true;
  return lingeringSeen && (e == kServerExecFailure || e == kServerDied || e == kServerDiedDne ||
                           e == kClassNotRegistered || e == kCallFailed || e == kUnknownInterface);
}
// The run-time errors a late-bound caller raises itself, in the 0x800A
// facility that Office and the scripting runtimes use.
inline constexpr ErrorNumber kInvalidCall = ErrorFromCode(0x800A0005);
inline constexpr ErrorNumber kObjectNotSet = ErrorFromCode(0x800A005B);
inline constexpr ErrorNumber kForNotInitialized = ErrorFromCode(0x800A005C);

// Win32 error codes as HRESULTs, the way the platform reports file failures.
constexpr ErrorNumber ErrorFromWin32(std::uint32_t code) {
  return code == 0 ? kNoError : ErrorFromCode(0x80070000u | (code & 0xFFFFu));
}
inline constexpr ErrorNumber kFileNotFound = ErrorFromWin32(2);
inline constexpr ErrorNumber kPathNotFound = ErrorFromWin32(3);
inline constexpr ErrorNumber kAccessDenied = ErrorFromWin32(5);
inline constexpr ErrorNumber kSharingViolation = ErrorFromWin32(32);
inline constexpr ErrorNumber kFileExists = ErrorFromWin32(80);
inline constexpr ErrorNumber kAlreadyExists = ErrorFromWin32(183);

// What an object reference stands for, named for the log, so that the steps
// that could not run for want of it are told as one: "the toolbar", "made".
struct Stands {
  const char16_t* what;
  const char16_t* notDone;  // "made", "reached"
};

// What a failing call attempted, in the log's words, set where the call is
// made: "Excel AddIns.Add(\"C:\\x.xla\")", "look for a running Word".
struct Attempt {
  std::u16string application;  // "Word"
  std::u16string what;
  bool news = false;  // expected, and told as news (no Word running yet)
};

// Why an application's call got no answer at all.
enum class Unanswered {
  No,       // it answered (with this error, perhaps)
  GivenUp,  // the wait for it ran out
  Earlier,  // not made: the application stopped answering earlier in the press
  Deadline,  // not made: the run's deadline has passed
};

// Raised inside a step by every failing automation, file or process call;
// the step runner turns it into the pending error and hands it to its
// observer. It carries what the failing call attempted, so nothing has to
// match a failure to an attempt afterwards. A call through an empty
// reference that stands for something says which.
class AutomationError : public std::exception {
 public:
  explicit AutomationError(ErrorNumber number, const Stands* empty = nullptr)
      : number_(number == kNoError ? kFail : number), empty_(empty) {}
  // A call given up after waiting `waited`, or not made for an earlier one.
  static AutomationError NoAnswer(Unanswered why, std::chrono::milliseconds waited = {}) {
    AutomationError e(kCallCanceled);
    e.unanswered_ = why;
    e.waited_ = waited;
    return e;
  }
  ErrorNumber number() const { return number_; }
  const Stands* empty() const { return empty_; }
  Unanswered unanswered() const { return unanswered_; }
  std::chrono::milliseconds waited() const { return waited_; }
  // The innermost attempt is kept: it is the call that failed.
  const std::optional<Attempt>& attempt() const { return attempt_; }
  void Attempted(Attempt attempt) {
    if (!attempt_) attempt_ = std::move(attempt);
  }
  const char* what() const noexcept override { return "automation error"; }

 private:
  ErrorNumber number_;
  const Stands* empty_;
  Unanswered unanswered_ = Unanswered::No;
  std::chrono::milliseconds waited_{0};
  std::optional<Attempt> attempt_;
};

[[noreturn]] inline void Fail(ErrorNumber number) { throw AutomationError(number); }

// The error number that call fails with, or kNoError when it succeeds.
template <class Call>
ErrorNumber ErrorOf(Call&& call) {
  try {
    call();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return kNoError;
}

}  // namespace tbo
