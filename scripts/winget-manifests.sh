#!/usr/bin/env bash
# Writes winget's three manifests for the installer SETUP, to be published
# under URL, into OUT: Publisher.Rechner.yaml (version),
# Publisher.Rechner.locale.de-DE.yaml (default locale) and
# Publisher.Rechner.installer.yaml. Their values come from where the project
# keeps them: version, publisher and homepage from CMakeLists.txt, the short
# description from the AppStream metadata, the product code (the installer's
# key under ...\CurrentVersion\Uninstall) and the exit statuses from the
# installer's script.
# Usage: scripts/winget-manifests.sh SETUP URL OUT
set -euo pipefail
. "$(dirname "$0")/lib.sh"
[ $# -eq 3 ] || { echo "usage: $0 SETUP URL OUT" >&2; exit 2; }
setup=$1 url=$2 out=$3
version=$(rechner_version)
publisher=$(rechner_setting RECHNER_PUBLISHER)
identifier="${publisher//[^A-Za-z0-9-]/}.Rechner"
nsi="$RECHNER_ROOT/data/windows/rechner.nsi"
product_code=$(sed -n 's/^!define UNINSTALL_KEY ".*\\\([^\\]*\)"$/\1/p' "$nsi")
running=$(sed -n 's/^!define RUNNING \([0-9]*\)$/\1/p' "$nsi")
installing=$(sed -n 's/^!define INSTALLER_RUNNING \([0-9]*\)$/\1/p' "$nsi")
refused=$(sed -n 's/^!define FOLDER_REFUSED \([0-9]*\)$/\1/p' "$nsi")
summary=$(sed -n 's|^ *<summary>\(.*\)</summary>$|\1|p' "$RECHNER_ROOT/data/org.rechner.Rechner.metainfo.xml.in")
sha256=$(sha256sum "$setup" | cut -d' ' -f1 | tr a-f A-F)
for value in "$version" "$publisher" "$product_code" "$running" "$installing" "$refused" "$summary"; do
  [ -n "$value" ] || { echo "winget-manifests: a value could not be read from the project's files" >&2; exit 1; }
done

mkdir -p "$out"
header="# Made by scripts/release.sh for Rechner $version.
# yaml-language-server: \$schema=https://aka.ms/winget-manifest"
cat >"$out/$identifier.yaml" <<EOT
$header.version.1.6.0.schema.json
PackageIdentifier: $identifier
PackageVersion: $version
DefaultLocale: de-DE
ManifestType: version
ManifestVersion: 1.6.0
EOT
cat >"$out/$identifier.locale.de-DE.yaml" <<EOT
$header.defaultLocale.1.6.0.schema.json
PackageIdentifier: $identifier
PackageVersion: $version
PackageLocale: de-DE
Publisher: $publisher
PackageName: Rechner
PackageUrl: $(rechner_homepage)
License: GPL-3.0-or-later
LicenseUrl: https://www.gnu.org/licenses/gpl-3.0.html
ShortDescription: $summary
Moniker: rechner
Tags:
- taschenrechner
- rechner
ManifestType: defaultLocale
ManifestVersion: 1.6.0
EOT
cat >"$out/$identifier.installer.yaml" <<EOT
$header.installer.1.6.0.schema.json
PackageIdentifier: $identifier
PackageVersion: $version
MinimumOSVersion: 10.0.0.0
InstallerType: nullsoft
InstallerLocale: de-DE
Scope: machine
ElevationRequirement: elevationRequired
UpgradeBehavior: install
ProductCode: $product_code
ExpectedReturnCodes:
- InstallerReturnCode: $running
  ReturnResponse: packageInUse
- InstallerReturnCode: $installing
  ReturnResponse: installInProgress
- InstallerReturnCode: $refused
  ReturnResponse: invalidParameter
Installers:
- Architecture: x64
  InstallerUrl: $url/$(basename "$setup")
  InstallerSha256: $sha256
ManifestType: installer
ManifestVersion: 1.6.0
EOT
echo "winget-manifests: $out/$identifier.{yaml,locale.de-DE.yaml,installer.yaml}"
