#!/usr/bin/env python3
"""winget's three manifests for Rechner's installer.

  winget.py write SETUP URL OUT   writes them into OUT for SETUP, to be
                                  published under URL
  winget.py check FOLDER SETUP    checks those in FOLDER against SETUP
  winget.py url FOLDER            the address those in FOLDER were made for

The manifests are the version manifest, the default locale's (de-DE) and
the installer's. Their values come from where the project keeps them: the
identity from project.conf, the short description from the AppStream
metadata. What they say is written through a YAML library, which quotes
whatever needs quoting.
"""
import hashlib
import os
import shlex
import sys
import xml.etree.ElementTree as ElementTree

import yaml

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCHEMA = "1.6.0"


def identity():
    """project.conf's NAME="VALUE" settings, read as the shell reads them."""
    settings = {}
    with open(os.path.join(ROOT, "project.conf"), encoding="utf-8") as f:
        for word in shlex.split(f.read(), comments=True):
            name, _, value = word.partition("=")
            settings[name] = value
    return settings


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest().upper()


def manifests(setup, url):
    me = identity()
    metainfo = ElementTree.parse(os.path.join(ROOT, "data", "org.rechner.Rechner.metainfo.xml.in"))
    head = {"PackageIdentifier": me["RECHNER_WINGET_ID"], "PackageVersion": me["RECHNER_VERSION"]}
    tail = {"ManifestVersion": SCHEMA}
    returns = [("RECHNER_SETUP_RUNNING", "packageInUse"),
               ("RECHNER_SETUP_INSTALLER_RUNNING", "installInProgress"),
               ("RECHNER_SETUP_FOLDER_REFUSED", "invalidParameter")]
    return {
        "version": head | {"DefaultLocale": "de-DE", "ManifestType": "version"} | tail,
        "defaultLocale": head | {
            "PackageLocale": "de-DE",
            "Publisher": me["RECHNER_PUBLISHER"],
            "PackageName": "Rechner",
            "PackageUrl": me["RECHNER_HOMEPAGE"],
            "License": "GPL-3.0-or-later",
            "LicenseUrl": "https://www.gnu.org/licenses/gpl-3.0.html",
            "ShortDescription": metainfo.findtext("summary"),
            "Moniker": "rechner",
            "Tags": ["taschenrechner", "rechner"],
            "ManifestType": "defaultLocale"} | tail,
        "installer": head | {
            "MinimumOSVersion": "10.0.0.0",
            "InstallerType": "nullsoft",
            "InstallerLocale": "de-DE",
            "Scope": "machine",
            "ElevationRequirement": "elevationRequired",
            "UpgradeBehavior": "install",
            "ProductCode": me["RECHNER_PRODUCT_CODE"],
            "ExpectedReturnCodes": [{"InstallerReturnCode": int(me[name]), "ReturnResponse": response}
                                    for name, response in returns],
            "Installers": [{"Architecture": "x64",
                            "InstallerUrl": f"{url}/{os.path.basename(setup)}",
                            "InstallerSha256": sha256(setup)}],
            "ManifestType": "installer"} | tail,
    }


def file_name(identifier, kind):
    return {"version": f"{identifier}.yaml", "defaultLocale": f"{identifier}.locale.de-DE.yaml",
            "installer": f"{identifier}.installer.yaml"}[kind]


def write(setup, url, out):
    os.makedirs(out, exist_ok=True)
    for kind, manifest in manifests(setup, url.rstrip("/")).items():
        path = os.path.join(out, file_name(manifest["PackageIdentifier"], kind))
        with open(path, "w", encoding="utf-8") as f:
            f.write(f"# Made by scripts/release.sh for Rechner {manifest['PackageVersion']}.\n"
                    f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{SCHEMA}.schema.json\n")
            yaml.safe_dump(manifest, f, allow_unicode=True, sort_keys=False)
        print(f"winget: {path}")


def check(folder, setup):
    """The manifests in FOLDER: the three kinds, each once, for this version
    and package, schema 1.6 or later, the publisher and locale, and the
    installer's address, hash, type, scope and elevation. Prints the product
    code, the Apps key the installer must write."""
    def fail(message):
        sys.exit(f"winget: the manifests in {folder}: {message}")
    me = identity()
    found = {}   # ManifestType: [(file name, manifest)]
    for name in sorted(os.listdir(folder)):
        if name.endswith(".yaml"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                manifest = yaml.safe_load(f)
            found.setdefault(manifest.get("ManifestType"), []).append((name, manifest))
    files = {kind: [name for name, _ in entries] for kind, entries in found.items()}
    if sorted(found, key=str) != ["defaultLocale", "installer", "version"] or any(len(f) != 1 for f in files.values()):
        fail(f"want one version, one defaultLocale and one installer manifest, found {files}")
    want = (me["RECHNER_WINGET_ID"], me["RECHNER_VERSION"])
    for kind, [(name, m)] in found.items():
        if (m.get("PackageIdentifier"), m.get("PackageVersion")) != want:
            fail(f"{kind} names {m.get('PackageIdentifier')} {m.get('PackageVersion')}, not {' '.join(want)}")
        if name != file_name(want[0], kind):
            fail(f"{kind} is in {name}, not {file_name(want[0], kind)}")
        if tuple(int(n) for n in str(m.get("ManifestVersion")).split(".")) < (1, 6, 0):
            fail(f"{kind} is of schema {m.get('ManifestVersion')}, before 1.6.0")
    version, locale, installer = (found[kind][0][1] for kind in ("version", "defaultLocale", "installer"))
    if version.get("DefaultLocale") != "de-DE" or locale.get("PackageLocale") != "de-DE":
        fail("the default locale is not de-DE in both the version and the locale manifest")
    for key in ("PackageName", "License", "ShortDescription"):
        if not locale.get(key):
            fail(f"the locale manifest has no {key}")
    if locale.get("Publisher") != me["RECHNER_PUBLISHER"]:
        fail(f"the publisher is {locale.get('Publisher')}, not {me['RECHNER_PUBLISHER']}")
    expected = {"InstallerType": "nullsoft", "Scope": "machine", "ElevationRequirement": "elevationRequired"}
    got = {key: installer.get(key) for key in expected}
    if got != expected:
        fail(f"the installer manifest says {got}, not {expected}")
    entries = installer.get("Installers") or []
    digest = sha256(setup)
    if len(entries) != 1 or entries[0].get("Architecture") != "x64" \
            or not str(entries[0].get("InstallerUrl", "")).endswith("/" + os.path.basename(setup)) \
            or entries[0].get("InstallerSha256") != digest:
        fail(f"the installer entry {entries} does not name {os.path.basename(setup)} (x64, SHA256 {digest})")
    if not installer.get("ProductCode"):
        fail("the installer manifest has no ProductCode")
    print(installer["ProductCode"])


def url(folder):
    for name in os.listdir(folder):
        if name.endswith(".installer.yaml"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                print(yaml.safe_load(f)["Installers"][0]["InstallerUrl"].rsplit("/", 1)[0])
            return
    sys.exit(f"winget: no installer manifest in {folder}")


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "write":
        write(*sys.argv[2:])
    elif len(sys.argv) == 4 and sys.argv[1] == "check":
        check(*sys.argv[2:])
    elif len(sys.argv) == 3 and sys.argv[1] == "url":
        url(sys.argv[2])
    else:
        sys.exit("usage: winget.py write SETUP URL OUT | check FOLDER SETUP | url FOLDER")
