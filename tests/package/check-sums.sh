#!/bin/sh
# The release package's SHA256SUMS: it covers every other file in the zip, each sum checks out in the
# unpacked folder, and no encoder came along.
# Usage: check-sums.sh PACKAGE.zip UNPACKED_FOLDER
set -eu
zip="$1"
folder="$2"

entries=$(unzip -Z1 "$zip" | grep -v '/$' | sed 's|^[^/]*/||' | grep -vx SHA256SUMS | sort)
listed=$(sed 's/^[0-9a-f]\{64\}  //' "$folder/SHA256SUMS" | sort)
if [ "$entries" != "$listed" ]; then
  echo "SHA256SUMS lists:"; echo "$listed"; echo "the zip holds:"; echo "$entries"
  exit 1
fi
for required in PushClient.exe README.txt LICENSE.txt; do
  echo "$entries" | grep -qx "$required" || { echo "$required missing from the zip"; exit 1; }
done
if echo "$entries" | grep -qix 'ffmpeg.exe'; then
  echo "the zip must not carry ffmpeg.exe"
  exit 1
fi
cd "$folder"
sha256sum -c --strict SHA256SUMS
