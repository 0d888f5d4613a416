#!/usr/bin/env bash
# The signing pipeline: with a throwaway self-signed code-signing certificate made here, the
# installer build signs the programs it packs and the installer, and osslsigncode finds each
# signature valid against that certificate (the pipeline, not trust).
#   installer_signing.sh WORK_DIR STAGE SETUP MAKE_INSTALLER_COMMAND... -P make_installer.cmake
# The command builds SETUP from the files in STAGE; the certificate goes in before its -P.
set -euo pipefail
work=$1 stage=$2 setup=$3
shift 3
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

rm -rf "$work" "$setup"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=TAVRO Writer test signing" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>"$work/log" ||
    fail "no certificate: $(cat "$work/log")"
"${@:1:$#-2}" "-DCERT=$work/cert.pem" "-DKEY=$work/key.pem" "${@:$#-1}" >"$work/log" 2>&1 ||
    fail "the signed installer did not build: $(cat "$work/log")"

for file in "$setup" "$stage/tavro-writer.exe" "$stage/tavro-writer-cli.exe"; do
    { osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >"$work/log" 2>&1 &&
        grep -q 'CN=TAVRO Writer test signing' "$work/log"; } || fail "no signature on $file: $(cat "$work/log")"
done
