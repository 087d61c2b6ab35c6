#!/usr/bin/env bash
# Makes two throwaway roots, a code-signing certificate under each, and signs copies of the
# sample with them. Usage: make-signed.sh SAMPLE.exe OUT-FOLDER
# OUT gets trusted-root.der (the suite trusts it in the prefix while it runs), signed.exe
# (chains to that root), stranger.exe (chains to a root nobody trusts) and listed.cat (a
# catalogue that lists the unsigned sample, signed by the trusted signer).
set -euo pipefail
sample="$1"
out="$2"
work="$out/work"
rm -rf "$work"
mkdir -p "$work"
cat >"$work/ext.cnf" <<'CNF'
[req]
distinguished_name = dn
[dn]
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF

# make_pair NAME ROOT-CN SIGNER-CN: a root and a signer under it, as NAME-root.pem and
# NAME-chain.pem (signer then root) with NAME-signer.key.
make_pair() {
    local name="$1" w="$work/$1"
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -utf8 -subj "/CN=$2" \
        -config "$work/ext.cnf" -extensions root -keyout "$w-root.key" -out "$w-root.pem" 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -utf8 -subj "/CN=$3/O=Zentrove tests" \
        -config "$work/ext.cnf" -keyout "$w-signer.key" -out "$w-signer.csr" 2>/dev/null
    openssl x509 -req -days 3650 -in "$w-signer.csr" -CA "$w-root.pem" -CAkey "$w-root.key" \
        -set_serial "0x$(openssl rand -hex 8)" -extfile "$work/ext.cnf" -extensions signer \
        -out "$w-signer.pem" 2>/dev/null
    cat "$w-signer.pem" "$w-root.pem" >"$w-chain.pem"
}
make_pair trusted "Zentrove Test Root" "Zentrove Test Signer Łódź"
make_pair stranger "Zentrove Unknown Root" "Zentrove Unknown Signer"

# sign SIGNER IN OUT
sign() {
    osslsigncode sign -certs "$work/$1-chain.pem" -key "$work/$1-signer.key" -h sha256 \
        -n "Signature sample" -in "$2" -out "$work/$3" >/dev/null
}
sign trusted "$sample" signed.exe
sign stranger "$sample" stranger.exe
python3 "$(dirname "$0")/make-catalog.py" "$work/unsigned.cat" "$sample"
sign trusted "$work/unsigned.cat" listed.cat
openssl x509 -in "$work/trusted-root.pem" -outform DER -out "$work/trusted-root.der"
mv "$work/signed.exe" "$work/stranger.exe" "$work/listed.cat" "$work/trusted-root.der" "$out/"
rm -rf "$work"
