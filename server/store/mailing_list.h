#pragma once
// The mailing list kept beside the sign-ups: who is pending, confirmed or
// gone, the mail waiting to confirm them, and what the maker's export and
// erasure need. Both stores implement it.
#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

#include "server/mail/outbox.h"
#include "server/person_record.h"
#include "server/store/signup_store.h"

namespace brevolt::signup {

enum class LinkOutcome {
  Done,
  AlreadyDone,  // confirmed before: nothing changed
  Unknown,  // no such token (never issued, replaced, or its person left)
  Expired,  // a confirmation link past its lifetime
};
using LinkResult = std::variant<LinkOutcome, StoreFailure>;

// Runs `work`, turning an exception into a failure that says what was being
// done: a request's store work never throws.
template <typename Outcome, typename Work>
std::variant<Outcome, StoreFailure> as_result(std::string_view during, Work&& work) {
  try {
    return work();
  } catch (const std::exception& error) {
    return StoreFailure{std::string(during) + ": " + error.what()};
  }
}

class MailingList : public Outbox {
 public:
  // By the SHA-256 of the token in the link. Never throw.
  // What confirming would find, changing nothing: the page a link opens
  // can say at once that it is unknown or expired.
  virtual LinkResult peek(std::string_view token_hash) = 0;
  virtual LinkResult confirm(std::string_view token_hash) = 0;
  // Leaves a suppression entry (the address's key and the time) only.
  virtual LinkResult unsubscribe(std::string_view token_hash) = 0;
  // Every person, signed up and unsubscribed. Throws StoreError.
  virtual void export_people(const std::function<void(const PersonRecord&)>& each) = 0;
  // Removes the person with this address, in any letter case, from every
  // table, mail waiting for them included, and from the store's own log
  // files where it can; returns how many people that was (0 or 1). Throws
  // StoreError, also when a copy could not be cleared.
  virtual std::size_t erase(std::string_view email) = 0;
};

}  // namespace brevolt::signup
