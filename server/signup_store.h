#pragma once
// The file of sign-ups: one row per e-mail address, compared without regard
// to case. Safe to share between the server's worker threads.
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

struct sqlite3;
struct sqlite3_stmt;

namespace brevolt::signup {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class SignupOutcome {
  Added,
  AlreadyKnown,  // the first row for the address is kept as it was
};

struct StoreFailure {
  std::string message;
};

class SignupStore {
 public:
  // Opens the file, creating it and its schema when missing. Throws
  // StoreError when the file cannot be used.
  SignupStore(const std::string& path, std::chrono::milliseconds busy_timeout);
  ~SignupStore();
  SignupStore(const SignupStore&) = delete;
  SignupStore& operator=(const SignupStore&) = delete;

  // Durable once this returns Added or AlreadyKnown.
  std::variant<SignupOutcome, StoreFailure> add(std::string_view name, std::string_view email);

 private:
  struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const;
  };
  using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;
  struct DatabaseDeleter {
    void operator()(sqlite3* db) const;
  };

  Statement prepare(std::string_view sql);
  void execute_setup(std::string_view sql);
  std::variant<SignupOutcome, StoreFailure> add_locked(std::string_view name,
                                                       std::string_view email);

  std::mutex mutex_;
  std::unique_ptr<sqlite3, DatabaseDeleter> db_;
  Statement begin_;
  Statement insert_;
  Statement commit_;
  Statement rollback_;
};

}  // namespace brevolt::signup
