#!/usr/bin/env bash
# Installs the Khronos glTF validator (the npm package gltf-validator, run with node) into
# FOLDER/node_modules, where the export tests look for it. Does nothing when that version is there.
set -euo pipefail
folder=${1:?usage: install_gltf_validator.sh BUILD_FOLDER}
version=2.0.0-dev.3.10

if ! command -v npm >/dev/null; then
    sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends npm
fi

mkdir -p "$folder"
installed=$(node -p "require('$folder/node_modules/gltf-validator/package.json').version" \
            2>/dev/null || true)
if [[ "$installed" != "$version" ]]; then
    npm install --no-save --no-audit --no-fund --prefix "$folder" "gltf-validator@$version"
fi
