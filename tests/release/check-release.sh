#!/usr/bin/env bash
# The release check, run by ./test once the mingw builds are there: two ./release runs in two
# build folders (./test's build/x86 and build/x64, and build/release-check/) write the same bytes;
# --sign with a throwaway self-signed key writes exes whose signatures verify; a wrong password
# or a file without a key stops the release before any archive is written.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "release check: $*" >&2
    exit 1
}
release() { # DIST BUILD ARGS...: ./release, its output kept in DIST.log
    PELVARO_RELEASE_DIST=$work/$1 PELVARO_RELEASE_BUILD=$2 ./release "${@:3}" >"$work/$1.log" 2>&1
}

release same build || fail "./release failed: $(cat "$work/same.log")"
release other build/release-check || fail "./release failed: $(cat "$work/other.log")"
cmp "$work/same/SHA256SUMS" "$work/other/SHA256SUMS" || fail "two builds, different sums"
for zip in "$work"/same/*.zip; do
    cmp "$zip" "$work/other/${zip##*/}" || fail "${zip##*/} differs"
done
[ "$(find "$work/same" -name '*.zip' | wc -l)" = 2 ] || fail "expected two archives"

# A throwaway code-signing key; its password reaches openssl only through the environment.
export PELVARO_SIGN_PASSWORD=throwaway-$RANDOM$RANDOM
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Pelvaro release check" -addext keyUsage=digitalSignature \
    -addext extendedKeyUsage=codeSigning 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/key.pfx" \
    -passout env:PELVARO_SIGN_PASSWORD
release signed build --sign "$work/key.pfx" ||
    fail "./release --sign failed: $(cat "$work/signed.log")"
for arch in x86 x64; do
    unzip -q -o "$work"/signed/Pelvaro-*-$arch.zip -d "$work/unpacked"
    verdict=$(osslsigncode verify -CAfile "$work/cert.pem" \
        -in "$work"/unpacked/Pelvaro-*-$arch/Pelvaro.exe) || fail "the signed $arch exe does not verify"
    grep -q "Signature verification: ok" <<<"$verdict" || fail "no signature on the $arch exe"
done

refuse() { # WHAT KEY PASSWORD
    PELVARO_SIGN_PASSWORD=$3 release refused build --sign "$2" && fail "$1: ./release went on"
    grep -q "cannot read a signing key from $2" "$work/refused.log" ||
        fail "$1: no clear message: $(cat "$work/refused.log")"
    [ -z "$(find "$work/refused" -name '*.zip')" ] || fail "$1: an archive was written"
}
refuse "a wrong password" "$work/key.pfx" "wrong-$PELVARO_SIGN_PASSWORD"
refuse "a file without a key" "$work/cert.pem" "$PELVARO_SIGN_PASSWORD"
echo "release check: same bytes from two build folders; signed exes verify; bad keys refused"
