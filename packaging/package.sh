# Packing and signing, shared by scripts/release and the package tests.
# Source it after scripts/lib.sh. Every code, time and name in what it makes
# comes from its arguments, so the same commit always makes the same bytes.

# The fixed codes of the package: one upgrade code per architecture, for
# ever, and the components' codes (the same resources keep their codes from
# one version to the next, as Windows Installer's component rules want).
declare -A tbo_upgrade_code=([x64]=5E1C4D2A-7B39-4F6E-9A21-3C8B0D4E6F71 [x86]=5E1C4D2A-7B39-4F6E-9A21-3C8B0D4E6F72)
declare -A tbo_program_component=([x64]=2B7F0C91-4D3E-4A65-8E12-6F9D3A1C5B81 [x86]=2B7F0C91-4D3E-4A65-8E12-6F9D3A1C5B82)
declare -A tbo_active_setup_component=([x64]=8C3A6E17-0F52-4B98-A4D1-7E2B9C0F3A61 [x86]=8C3A6E17-0F52-4B98-A4D1-7E2B9C0F3A62)
declare -A tbo_program_files=([x64]=ProgramFiles64Folder [x86]=ProgramFilesFolder)
declare -A tbo_win64=([x64]=yes [x86]=no)

# "1.0.0" from the program's version numbers (Windows Installer compares
# three fields), or the version given.
tbo_product_version() {
  sed -n 's/^#define TBO_VERSION_NUMBERS \([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3/p' \
    "$TBO_ROOT/resources/version.h"
}

# "1.0.1" for "1.0.0": the least version above the given one that Windows
# Installer tells apart (it compares three fields).
tbo_next_version() {
  local major minor build
  IFS=. read -r major minor build <<<"$1"
  echo "$major.$minor.$((build + 1))"
}

# A code made from words: the same words, the same code (a name-based UUID).
tbo_code() {
  python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.NAMESPACE_URL, "tambrel.vn/tbo-setup/" + sys.argv[1])).upper())' "$1"
}

# tbo_msi EXE ARCH VERSION EPOCH OUT: the package of EXE for ARCH (x64, x86)
# at VERSION ("1.0.0"), its times set to EPOCH (the commit's). The product
# code is new for every version; the package code changes with the content.
# Active Setup's command names every application of the table the tool
# $TBO_APPLICATIONS was built from.
tbo_msi() {
  local exe=$1 arch=$2 version=$3 epoch=$4 out=$5 work stamp
  work=$(mktemp -d)
  # The cabinet keeps the file's time; the summary, the clock's.
  cp "$exe" "$work/TBO_Setup.exe"
  touch -d "@$epoch" "$work/TBO_Setup.exe"
  stamp=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')
  local content
  content=$(sha256sum "$work/TBO_Setup.exe" | cut -d' ' -f1)
  # wixl takes sources beside the .wxs, by relative names.
  cp "$TBO_ROOT/packaging/tbo-setup.wxs" "$work/"
  (cd "$work" && TZ=UTC faketime -f "$stamp" wixl -a "$arch" -o out.msi \
    -D Version="$version" -D SetupVersion="${version//./,},0" \
    -D ProductCode="$(tbo_code "product/$version/$arch")" -D UpgradeCode="${tbo_upgrade_code[$arch]}" \
    -D ProgramComponent="${tbo_program_component[$arch]}" \
    -D ActiveSetupComponent="${tbo_active_setup_component[$arch]}" \
    -D Win64="${tbo_win64[$arch]}" -D ProgramFiles="${tbo_program_files[$arch]}" \
    -D NextVersion="$(tbo_next_version "$version")" -D X86UpgradeCode="${tbo_upgrade_code[x86]}" \
    -D Switches="$("$TBO_APPLICATIONS" --switches)" \
    -D Program=TBO_Setup.exe tbo-setup.wxs 2>wixl.log) ||
    { cat "$work/wixl.log" >&2; rm -rf "$work"; return 1; }
  # wixl draws the package code at random: it is made from the content instead.
  TZ=UTC faketime -f "$stamp" msibuild "$work/out.msi" -s "TBO Setup" "Tambrel" \
    "$([ "$arch" = x64 ] && echo x64 || echo Intel);1033" "{$(tbo_code "package/$version/$arch/$content")}"
  mv "$work/out.msi" "$out"
  rm -rf "$work"
}

# tbo_sign FILE PFX EPOCH [TSA_URL]: signs a program or a package in place,
# SHA-256. Without TSA_URL it is signed at EPOCH (the commit's time), so that
# a signed release reproduces, but Windows trusts such a signature only while
# the certificate is valid. With it, an RFC 3161 time-stamping authority
# countersigns the signing time, and the signature stays valid after the
# certificate has expired. The password comes from TBO_SIGN_PASSWORD and
# never reaches a command line (a file to read it from: osslsigncode 2.5,
# Debian 12's own, reads no "-").
tbo_sign() {
  local file=$1 pfx=$2 epoch=$3 tsa=${4:-} when
  when=(-time "$epoch")
  [ -z "$tsa" ] || when=(-ts "$tsa")
  printf '%s' "${TBO_SIGN_PASSWORD:-}" |
    osslsigncode sign -pkcs12 "$pfx" -readpass /dev/stdin -h sha256 -n "TBO Setup" "${when[@]}" \
      -in "$file" -out "$file.signed" >/dev/null &&
    mv "$file.signed" "$file"
}
