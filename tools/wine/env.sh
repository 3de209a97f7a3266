# Sourced, not run: sets up the environment for running Windows programs of a
# build under wine, the same way for every test and for the README commands.
#
#   pelorin_wine_env BUILD_DIR    exports WINEPREFIX (the build's shared prefix),
#                                 HOME, WINEDEBUG, the code page 936 locale and a
#                                 DISPLAY (a private Xvfb when none is set)
#   pelorin_wine_private_prefix NAME
#                                 a fresh copy of the template prefix for a test
#                                 that changes machine state; exports WINEPREFIX
#                                 (PELORIN_WINE_ARCH=win32: of a 32-bit template)
#   pelorin_wine_unprivileged_prefix NAME UID
#                                 a fresh copy of the template prefix owned by UID
#                                 (with its own HOME), for running a program as
#                                 that user; exports WINEPREFIX and HOME
#   pelorin_xvfb_stop BUILD_DIR   stops the private Xvfb, if one was started
#
# Everything lives under BUILD_DIR/wine; nothing outside it is changed.
# Plain LANG=zh_CN.UTF-8 gives code page 1252 on hosts without that locale, so
# the locale is compiled into the build folder and found through LOCPATH.

_pelorin_wine_dir() { echo "$1/wine"; }

_pelorin_locked() {  # DIR CMD...: run CMD under the build's setup lock
  local dir=$1; shift
  mkdir -p "$dir"
  (
    flock 9
    "$@"
  ) 9>"$dir/.lock"
}

_pelorin_make_locale() {
  local dir=$1
  [ -f "$dir/locale/zh_CN.UTF-8/LC_CTYPE" ] && return 0
  mkdir -p "$dir/locale"
  localedef -i zh_CN -f UTF-8 "$dir/locale/zh_CN.UTF-8" >/dev/null 2>&1 ||
    [ -f "$dir/locale/zh_CN.UTF-8/LC_CTYPE" ] ||
    { echo "wine env: localedef zh_CN.UTF-8 failed" >&2; return 1; }
}

# Bumped whenever the template's making changes, so that build folders made
# before remake it.
_pelorin_prefix_version=5

_pelorin_boot_prefix() {  # DIR TARGET: a new prefix at TARGET (WINEARCH as exported)
  local dir=$1 target=$2 face
  mkdir -p "$dir/home"
  # Made under the locale the tests run in: wine rewrites the font links of a
  # prefix whose locale changed, which would undo the ones set below.
  export WINEPREFIX="$target" LOCPATH="$dir/locale" LANG=zh_CN.UTF-8 2>/dev/null
  wineboot -i >/dev/null 2>&1 9>&- ||
    { echo "wine env: wineboot failed" >&2; return 1; }
  # Message boxes, buttons and captions draw in the system's UI faces, which
  # have no Chinese glyphs here: link them to the CJK face the machine has,
  # as a Chinese Windows links them to its own, or their texts are squares.
  for face in Tahoma "MS Shell Dlg" "Microsoft Sans Serif"; do
    wine reg add \
      'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d "wqy-zenhei.ttc,WenQuanYi Zen Hei" /f </dev/null >/dev/null 2>&1 9>&-
  done
  # The dialogs ask for 宋体 at 12 pixels, which the machine lacks; the faces
  # wine would pick, and WenQuanYi Zen Hei's bitmaps at that size, draw "-" as
  # a blank (a date 7-18-1968 shows as "7 18 1968"); the Sharp face's do not.
  for face in 宋体 SimSun; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' \
      /v "$face" /t REG_SZ /d "WenQuanYi Zen Hei Sharp" /f </dev/null >/dev/null 2>&1 9>&-
  done
  wineserver -w 9>&-
  [ -f "$target/system.reg" ] || { echo "wine env: wineboot wrote no registry" >&2; return 1; }
}

_pelorin_make_win32_template() {
  local dir=$1 ready=.ready-$_pelorin_prefix_version
  [ -f "$dir/template-win32/$ready" ] && return 0
  rm -rf "$dir/template-win32"
  (export WINEARCH=win32 && _pelorin_boot_prefix "$dir" "$dir/template-win32") || return 1
  touch "$dir/template-win32/$ready"
}

_pelorin_make_prefix() {
  local dir=$1 ready=.ready-$_pelorin_prefix_version
  if [ ! -f "$dir/template/$ready" ]; then
    [ -f "$dir/shared/system.reg" ] && { WINEPREFIX="$dir/shared" wineserver -k >/dev/null 2>&1 9>&- || true; }
    rm -rf "$dir/template" "$dir/shared"
    _pelorin_boot_prefix "$dir" "$dir/template" || return 1
    touch "$dir/template/$ready"
  fi
  if [ ! -f "$dir/shared/$ready" ]; then
    rm -rf "$dir/shared"
    cp -a "$dir/template" "$dir/shared"
  fi
}

_pelorin_start_xvfb() {
  local dir=$1 n pid
  if [ -f "$dir/xvfb.pid" ] && [ -f "$dir/display" ]; then
    pid=$(cat "$dir/xvfb.pid")
    if kill -0 "$pid" 2>/dev/null; then return 0; fi
  fi
  command -v Xvfb >/dev/null || { echo "wine env: Xvfb is not installed" >&2; return 1; }
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -ac >"$dir/xvfb.log" 2>&1 9>&- &
    pid=$!
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      echo "$pid" >"$dir/xvfb.pid"
      echo ":$n" >"$dir/display"
      return 0
    fi
  done
  echo "wine env: could not start Xvfb" >&2
  return 1
}

_pelorin_setup() {
  local dir=$1
  _pelorin_make_locale "$dir" && _pelorin_make_prefix "$dir" || return 1
  if [ -z "${PELORIN_HOST_DISPLAY:-}" ]; then _pelorin_start_xvfb "$dir" || return 1; fi
}

pelorin_wine_env() {
  local build dir
  build=$(cd "$1" && pwd) || return 1
  dir=$(_pelorin_wine_dir "$build")
  export PELORIN_WINE_DIR=$dir
  # A display the caller already has is used as is (the README's demo on a desktop).
  if [ -n "${DISPLAY:-}" ] && [ -z "${PELORIN_FORCE_XVFB:-}" ]; then
    export PELORIN_HOST_DISPLAY=$DISPLAY
  fi
  _pelorin_locked "$dir" _pelorin_setup "$dir" || return 1
  export WINEDEBUG=-all
  export LOCPATH="$dir/locale"
  # bash itself cannot load the private locale and would warn; wine can.
  { export LANG=zh_CN.UTF-8; unset LC_ALL LC_CTYPE LANGUAGE; } 2>/dev/null
  export HOME="$dir/home"
  export WINEPREFIX="$dir/shared"
  if [ -n "${PELORIN_HOST_DISPLAY:-}" ]; then
    export DISPLAY=$PELORIN_HOST_DISPLAY
  else
    DISPLAY=$(cat "$dir/display")
    export DISPLAY
  fi
  # A wineserver that outlives each program by half a minute: a test program
  # then starts in well under a second instead of about three.
  # Wine's system processes start with the first program and live as long as
  # the server; start them here with no terminal or pipe of the caller's, or a
  # test runner would wait for them to close its output.
  wineserver -p30 </dev/null >/dev/null 2>&1 || true
  wine cmd.exe /c "exit 0" </dev/null >/dev/null 2>&1 || true
}

pelorin_wine_private_prefix() {
  local name=$1 target template=template
  target="$PELORIN_WINE_DIR/private/$name"
  if [ "${PELORIN_WINE_ARCH:-}" = win32 ]; then
    template=template-win32
    _pelorin_locked "$PELORIN_WINE_DIR" _pelorin_make_win32_template "$PELORIN_WINE_DIR" || return 1
  fi
  rm -rf "$target"
  mkdir -p "$PELORIN_WINE_DIR/private"
  cp -a "$PELORIN_WINE_DIR/$template" "$target"
  export WINEPREFIX=$target
}

pelorin_wine_unprivileged_prefix() {
  local name=$1 uid=$2 base
  base="$PELORIN_WINE_DIR/private/$name"
  rm -rf "$base"
  mkdir -p "$base/home"
  cp -a "$PELORIN_WINE_DIR/template" "$base/prefix"
  # The prefix names the server directory of the user who made it; wine makes a
  # new one for the new owner.
  rm -f "$base/prefix/wineserver"
  chown -R "$uid:$uid" "$base"
  export WINEPREFIX="$base/prefix" HOME="$base/home"
}

pelorin_xvfb_stop() {
  local dir p
  dir=$(_pelorin_wine_dir "$(cd "$1" && pwd)")
  # Wine's own processes hold the display: end them first, in every prefix of
  # the build, so that nothing waits on a display that is gone.
  for p in "$dir/shared" "$dir"/private/*; do
    [ -f "$p/system.reg" ] && { WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true; }
  done
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null
    rm -f "$dir/xvfb.pid" "$dir/display"
  fi
}
