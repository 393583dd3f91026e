#!/bin/sh
# The release package: SHA256SUMS covers every other file in the zip and each sum checks out in the
# unpacked folder; both guides are there as Notepad needs them (a UTF-8 byte order mark, CRLF line ends)
# and state the zip's version; no encoder came along.
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
for required in PushClient.exe README.txt README-en.txt LICENSE.txt; do
  echo "$entries" | grep -qx "$required" || { echo "$required missing from the zip"; exit 1; }
done
if echo "$entries" | grep -qix 'ffmpeg.exe'; then
  echo "the zip must not carry ffmpeg.exe"
  exit 1
fi

version=$(basename "$zip" | sed -n 's/^PushClient-\(.*\)-win64\.zip$/\1/p')
cr=$(printf '\r')
for guide in README.txt README-en.txt; do
  file="$folder/$guide"
  [ "$(head -c 3 "$file" | od -An -tx1 | tr -d ' \n')" = efbbbf ] || { echo "$guide does not start with the UTF-8 byte order mark"; exit 1; }
  lines=$(wc -l <"$file")
  crlf=$(grep -c "$cr\$" "$file" || true)
  [ "$lines" -gt 0 ] && [ "$crlf" -eq "$lines" ] || { echo "$guide: $crlf of its $lines line ends are CRLF"; exit 1; }
  grep -qF "$version" "$file" || { echo "$guide does not state the version $version"; exit 1; }
  if grep -qF '@PUSHCLIENT_VERSION@' "$file"; then echo "$guide: the version was not filled in"; exit 1; fi
done

cd "$folder"
sha256sum -c --strict SHA256SUMS
