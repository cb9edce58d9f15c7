# Sourced: a fresh Wine prefix of our own, with the Wine server started and warm.
# A cold start launches Wine's service processes, which inherit the caller's
# output pipe; warming up once keeps them from holding CTest's pipes.
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko install prompts, and no Linux menu entries for shortcuts (winemenubuilder
# lingers after an installer and holds the test runner's output pipe).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX=$(mktemp -d /tmp/vantreo-wine.XXXXXX)
  export WINEPREFIX
fi
# The persistent server comes first: once wineboot has started one, a second cannot.
wineserver -p >/dev/null 2>&1 || true
wineboot -i </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# Wine's desktop process starts with the first window and ends some seconds
# after the last; started from a test, it holds the test's output pipe open
# that long. Test runs call this: a window kept open (a minimised Notepad)
# keeps one desktop process for the session. The program's own run does not.
keep_wine_desktop() {
  if [ -n "${DISPLAY:-}" ]; then
    wine start /min notepad.exe </dev/null >/dev/null 2>&1 || true
  fi
}
