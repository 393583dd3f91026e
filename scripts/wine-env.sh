# shellcheck shell=bash
# Sourced by the project's scripts: the environment in which PushClient runs under Wine.
# ROOT must be set to the repository's top folder before sourcing.
export WINEPREFIX="${PUSHCLIENT_WINEPREFIX:-$ROOT/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The ANSI code page 936 follows from the zh_CN locale.
export LC_ALL=zh_CN.UTF-8
export LANG=zh_CN.UTF-8
