#!/bin/sh
# The program starts without the client library and what it pulls in (TLS, Kerberos, LDAP):
# it is loaded at the first connection, after the login window is on screen. test_batch runs
# the program against the server, so the loading itself is tried there.
set -eu
needed=$(readelf -d "$1" | grep NEEDED)
if echo "$needed" | grep -q 'libpq'; then
    echo "$1 loads libpq when it starts:" >&2
    echo "$needed" >&2
    exit 1
fi
