#pragma once
// The mailing list kept beside the sign-ups: who is pending, confirmed or
// gone, the consent each gave, the mail waiting to confirm them, and what
// the maker's export and erasure need. Both stores implement it.
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

struct ListSignup {
  std::string name;
  std::string email;
  // The consent record: who asked, from where, with which form.
  std::string consent_address;
  std::string user_agent;
  std::string form_version;
  // Off: the sign-up counts as confirmed at once and nothing is mailed.
  bool confirm_by_mail = false;
  // The link secret and Message-ID for the mail this sign-up may queue.
  std::string token;
  std::string token_hash;
  std::string message_id;
};

enum class ListSignupOutcome {
  Confirmed,   // new, and confirmed at once (no mail)
  MailQueued,  // new or still pending: a confirmation mail waits in the outbox
  NoMail,      // known already (confirmed, or mailed too recently): nothing changed
};
using ListSignupResult = std::variant<ListSignupOutcome, StoreFailure>;

enum class LinkOutcome {
  Done,
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
  // The sign-up and the mail it asks for, in one transaction. Never throws.
  virtual ListSignupResult sign_up(const ListSignup& signup) = 0;
  // By the SHA-256 of the token in the link. Never throw.
  virtual LinkResult confirm(std::string_view token_hash) = 0;
  // Leaves a suppression entry (the address's key and the time) only.
  virtual LinkResult unsubscribe(std::string_view token_hash) = 0;
  // Every person, signed up and unsubscribed. Throws StoreError.
  virtual void export_people(const std::function<void(const PersonRecord&)>& each) = 0;
  // Removes the person with this address, in any letter case, everywhere,
  // mail waiting for them included; returns how many people that was (0
  // or 1). Throws StoreError.
  virtual std::size_t erase(std::string_view email) = 0;
};

}  // namespace brevolt::signup
