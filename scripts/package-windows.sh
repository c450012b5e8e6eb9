#!/usr/bin/env bash
# Makes build-windows/dist/: the portable folder and its zip
# Tainoteka-<version>-win64.zip, and the installer Tainoteka-<version>-setup.exe.
#   package-windows.sh BUILD_DIR SDK_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
sdk=$(cd "$2" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }
dist=$build/dist
name=Tainoteka-$version-win64
stage=$dist/$name

rm -rf "$stage" "$dist/$name.zip" "$dist/Tainoteka-$version-setup.exe"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"
cp "$build/app/tainoteka.exe" "$build/cli/txtp.exe" "$root/resources/help/help.html" "$stage/"
# What the two programs load, and nothing more: the About photo is decoded
# with libjpeg itself and the pictures are PNG, so no image format plug-ins.
for dll in Qt6Core Qt6Gui Qt6Widgets libstdc++-6 libgcc_s_seh-1 libwinpthread-1 libjpeg-62; do
  cp "$sdk/bin/$dll.dll" "$stage/"
done
cp "$sdk/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$sdk/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp /usr/share/qt6/translations/qtbase_ru.qm "$stage/translations/"
x86_64-w64-mingw32-strip --strip-unneeded "$stage/tainoteka.exe" "$stage/txtp.exe"

(cd "$dist" && zip -qr9 "$name.zip" "$name")

# The uninstaller removes exactly what was installed, listed here.
files=$dist/installed-files.nsh
: >"$files"
(cd "$stage" && find . -type f | sort) | sed 's|^\./||; s|/|\\|g' |
  while read -r f; do printf 'Delete "$INSTDIR\\%s"\n' "$f"; done >>"$files"
(cd "$stage" && find . -mindepth 1 -type d | sort -r) | sed 's|^\./||; s|/|\\|g' |
  while read -r d; do printf 'RMDir "$INSTDIR\\%s"\n' "$d"; done >>"$files"

makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DSTAGE="$stage" -DFILES="$files" \
  -DOUTFILE="$dist/Tainoteka-$version-setup.exe" \
  -DICON="$root/resources/tainoteka.ico" \
  "$root/packaging/windows/tainoteka.nsi"
ls -l "$dist"/*.zip "$dist"/*.exe
