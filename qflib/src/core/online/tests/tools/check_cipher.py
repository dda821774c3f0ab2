#!/usr/bin/env python3
"""Checks the online code's cipher output with an independent Blowfish: the saved hiscore file
(padded ECB body holding the document and its NUL, then the enciphered XOR fold of the body)
and the Base64 "medals" value of a submission. Fails without the cipher module (Debian's
python3-cryptography, which tools/install-deps.sh installs)."""
import base64
import os
import subprocess
import sys
import tempfile
import urllib.parse
import warnings

warnings.filterwarnings("ignore")
try:
    from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
except ImportError:
    print('FAIL: the Python module cryptography is missing: run tools/install-deps.sh')
    sys.exit(1)

KEY_TEXT = "Wmbx0mn1v"


def key_bytes(text):
    if len(text) != 12:
        text = (text + "A" * 12)[:12]
    if text[9:12] != "AAA":
        text = text[:9] + "AAA"
    return base64.b64decode(text)


def decrypt(data):
    assert len(data) % 8 == 0, "cipher text is not whole blocks"
    plain = Cipher(algorithms.Blowfish(key_bytes(KEY_TEXT)), modes.ECB()).decryptor().update(data)
    pad = plain[-1]
    assert 1 <= pad <= 8 and plain[-pad:] == bytes([pad]) * pad, "bad padding"
    return plain[:-pad]


def main():
    sample = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([sample, folder], check=True)
        with open(os.path.join(folder, "hiscore.dat"), "rb") as f:
            data = f.read()
        body, check = data[:-8], data[-8:]
        text = decrypt(body)
        assert text.endswith(b"\0"), "the document is saved with its NUL"
        assert text.startswith(b'<?xml version="1.0"?>\n<user'), text[:40]
        assert b'name="ann"' in text and b'pass="s3cret"' in text
        assert b"<medals" in text and b'medalname="omnivora_1"' in text
        fold = bytearray(4)
        for i, b in enumerate(body):
            fold[i % 4] ^= b
        assert decrypt(check) == bytes(fold), "check block is not the enciphered fold"

        with open(os.path.join(folder, "medals.txt"), "rb") as f:
            form = f.read().decode("latin-1")
        names = [item.split("=", 1)[0] for item in form.split("&")]
        assert names == ["lang", "ver", "game", "action", "medals"], names
        value = urllib.parse.unquote(form.split("&medals=", 1)[1], encoding="latin-1")
        document = decrypt(base64.b64decode(value))
        assert document.startswith(b'<?xml version="1.0"?>\n<medals'), document[:40]
        assert document.endswith(b'<medal name="omnivora_1" per="game"/></medals>'), document[-60:]
        assert b"\0" not in document
    print("cipher and layout agree")


if __name__ == "__main__":
    main()
