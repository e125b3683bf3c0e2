# Shared by the scripts: installs, builds, Wine prefixes, the X display.
# Source it; it sets TBO_ROOT and TBO_BUILD.

TBO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TBO_BUILD=${TBO_BUILD:-$TBO_ROOT/build}
export WINEDEBUG=${WINEDEBUG:--all}
# Wine turns Unix file names into Windows ones in the locale's character
# set: under LC_ALL=C a checkout in a folder with Vietnamese letters would
# reach Windows programs as question marks.
export LC_ALL=C.UTF-8

# TBO_NO_32BIT=1 plays this machine as one whose kernel runs no 32-bit
# programs: no 32-bit half, no x86 rows, and every Windows program started
# as Debian's "wine" starts it there, by the 64-bit loader itself (with the
# 32-bit half, "wine" goes through a 32-bit start.exe instead). Its Wine
# prefixes are made apart.
tbo_wine_modes() {
  TBO_TEMPLATE=$TBO_BUILD/wine/template
  [ "${TBO_NO_32BIT:-}" = 1 ] || return 0
  export TBO_RUNS_32BIT=no
  TBO_TEMPLATE=$TBO_BUILD/wine/template-64
  local bin=$TBO_BUILD/wine/64-only
  if [ ! -x "$bin/wine-stable" ]; then
    mkdir -p "$bin"
    # What /usr/bin/wine does where /usr/lib/wine/wine (wine32) is missing.
    printf '#!/bin/sh\nexport WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}\nexec /usr/lib/wine/wine64 "$@"\n' \
      >"$bin/wine.new"
    chmod +x "$bin/wine.new"
    cp "$bin/wine.new" "$bin/wine-stable.new"
    mv "$bin/wine.new" "$bin/wine"
    mv "$bin/wine-stable.new" "$bin/wine-stable"
  fi
  # Wine's tools (wineboot, winepath, msiexec) start "wine-stable" by name.
  case ":$PATH:" in *":$bin:"*) ;; *) export PATH=$bin:$PATH ;; esac
}
tbo_wine_modes

tbo_packages=(cmake ninja-build g++ googletest libgtest-dev python3 wine wine64
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 xvfb fonts-wine imagemagick nlohmann-json3-dev
  wixl msitools faketime osslsigncode openssl)

# Whether this kernel runs 32-bit programs at all (some have the ia32
# emulation switched off): a 96-byte i386 program that only exits.
tbo_runs_32bit() {
  if [ -z "${TBO_RUNS_32BIT:-}" ]; then
    local probe; mkdir -p "$TBO_BUILD"; probe=$(mktemp "$TBO_BUILD/probe32.XXXXXX")
    # ELF header of an i386 program entered at 0x08048054, one segment
    # loading the whole file at 0x08048000, then exit(0) through int 0x80.
    # Written by printf: a bare machine may have no python3 yet.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00' >"$probe"
    printf '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
    printf '\xb8\x01\x00\x00\x00\xbb\x00\x00\x00\x00\xcd\x80' >>"$probe"
    chmod +x "$probe"
    if [ "$(stat -c %s "$probe")" = 96 ] && "$probe" 2>/dev/null; then TBO_RUNS_32BIT=yes; else TBO_RUNS_32BIT=no; fi
    rm -f "$probe"
    export TBO_RUNS_32BIT
  fi
  [ "$TBO_RUNS_32BIT" = yes ]
}

# Installs only what is missing, so a second run costs nothing. Wine's
# 32-bit half (for the i686 program) comes only where 32-bit programs run:
# elsewhere it would leave "wine" unable to start anything at all.
tbo_install() {
  local missing=() sudo="" wanted=("${tbo_packages[@]}")
  tbo_runs_32bit && wanted+=(wine32:i386)
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Whether the 32-bit program can be played here.
tbo_plays_x86() {
  tbo_runs_32bit && dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'
}

# configure DIR [cmake args...]: configures once, then only builds.
tbo_configure() {
  local dir=$TBO_BUILD/$1; shift
  [ -f "$dir/build.ninja" ] || cmake -G Ninja -S "$TBO_ROOT" -B "$dir" "$@" >/dev/null
}

# The application table, as the scripts and the test harness read it: a
# native tool built from the product's own table.
export TBO_APPLICATIONS=$TBO_BUILD/native/tbo_applications
tbo_build_table() {
  tbo_configure native -DCMAKE_BUILD_TYPE=Debug
  cmake --build "$TBO_BUILD/native" --target tbo_applications
}

# Both program files, with the stand-ins and benchmark helpers of the 64-bit
# tree, and the application table.
tbo_build_product() {
  tbo_build_table
  tbo_configure win64 -DCMAKE_TOOLCHAIN_FILE="$TBO_ROOT/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel
  cmake --build "$TBO_BUILD/win64"
  tbo_configure win32 -DCMAKE_TOOLCHAIN_FILE="$TBO_ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel
  cmake --build "$TBO_BUILD/win32" --target TBO_Setup
}

tbo_build_all() {
  tbo_configure native -DCMAKE_BUILD_TYPE=Debug
  cmake --build "$TBO_BUILD/native"
  tbo_build_product
  tbo_configure win64-tests -DCMAKE_TOOLCHAIN_FILE="$TBO_ROOT/cmake/mingw-x86_64-posix.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DTBO_WINDOWS_TESTS=ON
  cmake --build "$TBO_BUILD/win64-tests"
}

# The installed Wine packages: a template made under others is stale (a
# prefix made before wine32 came has no syswow64; one made during an
# upgrade cannot load kernel32.dll).
tbo_wine_stamp() {
  dpkg-query -W -f='${db:Status-Abbrev} ${Package}:${Architecture} ${Version}\n' 'wine*' 'libwine*' 2>/dev/null |
    grep '^ii' | sort
}

# The template prefix, made once per set of Wine packages: booted, with the
# caption-button font and a virtual desktop so that input reaches windows
# without a window manager. Built aside and renamed into place under a lock,
# so runs started together neither build it twice nor copy half of one.
tbo_template_prefix() {
  local t=$TBO_TEMPLATE stamp lock new
  stamp=$(tbo_wine_stamp)
  mkdir -p "$TBO_BUILD/wine"
  exec {lock}>"$t.lock"
  flock "$lock"
  if [ "$(cat "$t/.tbo-ready" 2>/dev/null)" != "$stamp" ]; then
    echo "== creating the Wine template prefix"
    rm -rf "$t".new.* "$t.old"  # left by a build that failed; none runs now
    new=$(mktemp -d "$t.new.XXXXXX")
    # The lock stays ours: Wine's processes must not inherit it.
    if ! tbo_make_prefix "$new" {lock}>&-; then
      WINEPREFIX=$new wineserver -k >/dev/null 2>&1 || true
      rm -rf "$new"
      echo "== the Wine template prefix could not be made" >&2
      exec {lock}>&-
      return 1
    fi
    printf '%s' "$stamp" >"$new/.tbo-ready"
    [ -d "$t" ] && mv "$t" "$t.old"
    mv "$new" "$t"
    rm -rf "$t.old"
  fi
  exec {lock}>&-
}

# Chained, since a caller's "set -e" does not reach inside an "if".
tbo_make_prefix() (
  export WINEPREFIX=$1
  WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 &&
    wineserver -w &&
    cp /usr/share/wine/fonts/marlett.ttf "$1/drive_c/windows/Fonts/" &&
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 &&
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1 &&
    wineserver -w
)

# tbo_new_prefix DIR: a private copy of the template. Hard links cost nothing;
# the registry files, which wineserver rewrites in place, are real copies.
tbo_new_prefix() {
  local dir=$1 t=$TBO_TEMPLATE lock
  tbo_template_prefix
  tbo_stop_prefix "$dir"
  rm -rf "$dir"; mkdir -p "$(dirname "$dir")"
  # Shared: a rebuild waits until no copy is being made.
  exec {lock}>"$t.lock"
  flock -s "$lock"
  cp -al "$t" "$dir"
  for f in system.reg user.reg userdef.reg; do rm -f "$dir/$f"; cp "$t/$f" "$dir/$f"; done
  exec {lock}>&-
}

# Starts the prefix's wineserver and background services detached from the
# caller's output, so that nothing later waits on pipes they hold open.
tbo_warm_prefix() {
  WINEPREFIX=$1 wineserver -p
  WINEPREFIX=$1 wine cmd /c exit </dev/null >/dev/null 2>&1
}

# Stops only the wineserver of this prefix.
tbo_stop_prefix() {
  [ -d "$1" ] && WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
}

# Gives the scripts an X display: the caller's, or a private Xvfb that is
# stopped by tbo_stop_display.
tbo_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  TBO_XVFB_PID=$!
  local n; read -r n <"$fifo"; rm -f "$fifo"
  export DISPLAY=":$n"
}

tbo_stop_display() {
  [ -n "${TBO_XVFB_PID:-}" ] && kill "$TBO_XVFB_PID" 2>/dev/null || true
  TBO_XVFB_PID=
}

# Test cases against the rest, in non-blank lines of the C, C++, Python,
# shell and CMake files that git tracks. The harness and the stand-ins are
# test machinery, counted apart from the cases.
tbo_test_share() {
  local cases machinery all
  count() {
    (cd "$TBO_ROOT" && git ls-files -- "$@") | grep -E '\.(c|cc|cpp|h|hpp|sh|py|cmake)$|(^|/)CMakeLists\.txt$' |
      (cd "$TBO_ROOT" && xargs -r cat) | grep -c -v '^\s*$'
  }
  cases=$(count 'tests/*' '*/tests/*' ':!tests/e2e/harness/*')
  machinery=$(count 'standins/*' 'tests/e2e/harness/*')
  all=$(count '.')
  echo "test cases: $cases lines, test machinery: $machinery lines, other code: $((all - cases - machinery)) lines," \
    "test cases are $((100 * cases / (all - cases)))% of the rest"
}
