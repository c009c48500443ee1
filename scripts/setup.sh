# Sourced by ./run and ./test: installs the Debian packages the program and its tests need, then
# configures and builds with both cores.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libsqlite3-dev sqlite3 libxlsxwriter-dev
          unixodbc libsqliteodbc fonts-wqy-microhei qt6-translations-l10n xdg-user-dirs xdg-utils
          poppler-utils postgresql-15 postgresql-contrib libpq-dev odbc-postgresql)
missing=()
for package in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

# apt-get as root. Another package manager run (a fresh machine's first automatic updates, say) holds
# apt's locks for a while: a run refused for a lock waits for it, saying so once, and tries again, for
# at most 15 minutes in all. apt-get's own DPkg::Lock::Timeout waits silently, and for dpkg's lock
# only, not for the package lists' or the downloads'.
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
apt_deadline=$((SECONDS + 900))
apt_waiting=
apt_get() {
  local errors status
  errors=$(mktemp)
  while :; do
    status=0
    "${sudo_cmd[@]}" env LC_ALL=C DEBIAN_FRONTEND=noninteractive apt-get "$@" 2>"$errors" || status=$?
    if [ $status -eq 0 ] || [ $SECONDS -ge $apt_deadline ] || ! grep -q '^E: Could not get lock' "$errors"; then
      cat "$errors" >&2
      rm -f "$errors"
      return $status
    fi
    [ -n "$apt_waiting" ] || echo "Another package manager run holds apt's lock: waiting for it (at most 15 minutes)..."
    apt_waiting=1
    sleep 5
  done
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt_get update -qq
  apt_get install -y -qq "${missing[@]}"
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build --parallel 2
