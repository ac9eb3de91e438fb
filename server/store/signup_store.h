#pragma once
// Where sign-ups are kept: one row per e-mail address, compared without
// regard to letter case. The SQLite file and the PostgreSQL database both
// stand behind this; every implementation may be called from several
// threads at once.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace brevolt::signup {

class MailingList;

// The store cannot be used at all (thrown at opening only).
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class SignupOutcome {
  Added,
  AlreadyKnown,  // the first row for the address is kept as it was
};

// One request could not be served; the store may answer the next one.
struct StoreFailure {
  std::string message;
  friend bool operator==(const StoreFailure&, const StoreFailure&) = default;
};

using AddResult = std::variant<SignupOutcome, StoreFailure>;

class SignupStore {
 public:
  virtual ~SignupStore() = default;

  // Durable once this returns Added or AlreadyKnown. Never throws.
  virtual AddResult add(std::string_view name, std::string_view email) = 0;

  // Nothing while the store answers, taking what a write would take (the
  // write lock, a connection); otherwise why it does not. Never throws.
  virtual std::optional<StoreFailure> check() = 0;

  // The list kept beside the sign-ups (server/store/mailing_list.h).
  virtual MailingList& list() = 0;

 protected:
  SignupStore() = default;
  SignupStore(const SignupStore&) = delete;
  SignupStore& operator=(const SignupStore&) = delete;
};

}  // namespace brevolt::signup
