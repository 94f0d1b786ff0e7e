#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt (or of the lists given) that are missing;
# quick when all are there.
set -euo pipefail
lists=("$@")
[ ${#lists[@]} -gt 0 ] || lists=("$(dirname "$0")/packages.txt")
missing=()
for list in "${lists[@]}"; do
    while read -r package; do
        case "$package" in '' | '#'*) continue ;; esac
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done < "$list"
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
