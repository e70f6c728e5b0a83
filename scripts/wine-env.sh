# Sourced by every script that runs Wine: puts the project's own prefix in the
# environment (WINEPREFIX and the rest, from wine-prefix.sh, which creates and
# checks it), or ends the sourcing script. Without it Wine would fall back to
# ~/.wine, whose Documents and Desktop lead to the real home folder.
# TIDEWISP_WINE_BASE chooses another prefix folder under build/.
wine_env_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
prefix_env=$("$wine_env_root/scripts/wine-prefix.sh" env) || {
  echo "$(basename "$0"): the project's Wine prefix is not safe to use; nothing was run" >&2
  exit 1
}
eval "$prefix_env"
case "${WINEPREFIX:-}" in
  "$wine_env_root"/build/*) ;;
  *) echo "$(basename "$0"): refusing a Wine prefix outside build/: '${WINEPREFIX:-}'" >&2; exit 1 ;;
esac
