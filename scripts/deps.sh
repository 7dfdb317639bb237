# Sourced by the other scripts: installs what a fresh Debian machine lacks for the build.
# kivo_need PACKAGE CHECK...: install PACKAGE unless every CHECK (a command or a file) exists.
kivo_missing=()

kivo_need() {
  local package=$1 check
  shift
  for check in "$@"; do
    if [[ $check == /* ]]; then
      [[ -e $check ]] || { kivo_missing+=("$package"); return; }
    else
      command -v "$check" > /dev/null 2>&1 || { kivo_missing+=("$package"); return; }
    fi
  done
}

kivo_install_missing() {
  ((${#kivo_missing[@]} == 0)) && return 0
  if [[ $(id -u) -ne 0 ]]; then
    echo "missing packages: ${kivo_missing[*]} (run as root to install them)" >&2
    return 1
  fi
  echo "installing: ${kivo_missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${kivo_missing[@]}" > /dev/null
  kivo_missing=()
}

kivo_need_build_tools() {
  kivo_need cmake cmake
  kivo_need ninja-build ninja
  kivo_need g++ g++
}
