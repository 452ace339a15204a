# Sourced, with KESTRUNE_BUILD set to a build tree: its private Wine environment. Never the
# user's ~/.wine or home, since a new prefix links Desktop and Documents to $HOME.
KESTRUNE_BUILD=$(cd "$KESTRUNE_BUILD" && pwd)
export WINEPREFIX="$KESTRUNE_BUILD/wineprefix"
export WINEARCH=win64
export HOME="$KESTRUNE_BUILD/winehome"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d${KESTRUNE_DLLOVERRIDES:+;$KESTRUNE_DLLOVERRIDES}"
export LC_ALL=${KESTRUNE_LC_ALL:-zh_CN.UTF-8}
export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver
