#pragma once
// Who may read the admin listener: anyone on loopback when no token is set,
// otherwise whoever presents the token, as a Bearer token or as the
// password of HTTP Basic (which a browser asks for by itself).
#include <optional>
#include <string>
#include <string_view>

namespace brevolt::signup {

// Whether a listener on `host` can be reached from this machine only.
bool is_loopback_host(std::string_view host);

// The token from `path`, or when that is empty from the file admin-token
// in $CREDENTIALS_DIRECTORY (systemd's credentials) if there is one;
// nothing when neither names a file. Throws std::runtime_error with a line
// for a person when the file cannot be read or holds no token.
std::optional<std::string> load_admin_token(const std::string& path);

// Whether an Authorization header carries `token`. The comparison takes
// the same time wherever the two differ.
bool authorized(std::string_view authorization, const std::string& token);

}  // namespace brevolt::signup
