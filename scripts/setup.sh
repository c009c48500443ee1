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
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build --parallel 2
