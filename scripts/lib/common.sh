# shellcheck shell=bash disable=SC2034  # the variables are read by the scripts that source this file
# Settings shared by the project's scripts.
# The test and demo builds point the program at a sign-up server on loopback.
TEST_SIGNUP_PORT=28917
TEST_SIGNUP_URL="http://127.0.0.1:${TEST_SIGNUP_PORT}/posttobrevolt2.asp"
TEST_PROBE_TIMEOUT_MS=3000
SANITIZED_TEST_TARGETS=(unit_tests server_tests store_tests probe_tests x11_tests brevolt-test-host)
DEMO_SIGNUP_PORT=28918
