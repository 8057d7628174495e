#!/bin/sh
# Builds the Debian package from build/ and checks it: lintian, the file list, the
# desktop entry and file types, and the programs run from an unpacked copy.
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --build build
(cd build && cpack -G DEB -B "$scratch/out" > "$scratch/cpack.log") || {
  cat "$scratch/cpack.log"
  exit 1
}
deb=$(ls "$scratch"/out/62500cfg_*.deb)
echo "package: $(basename "$deb")"

lintian --fail-on error "$deb"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' > "$scratch/files"
for file in /usr/bin/62500cfg /usr/bin/62500twk \
  /usr/share/applications/62500twk.desktop \
  /usr/share/mime/packages/62500cfg.xml \
  /usr/share/icons/hicolor/scalable/apps/62500twk.svg \
  /usr/share/icons/hicolor/16x16/apps/62500twk.png \
  /usr/share/icons/hicolor/48x48/apps/62500twk.png \
  /usr/share/icons/hicolor/256x256/apps/62500twk.png \
  /usr/share/man/man1/62500cfg.1.gz /usr/share/man/man1/62500twk.1.gz \
  /usr/share/bash-completion/completions/62500cfg \
  /usr/share/doc/62500cfg/copyright /usr/share/doc/62500cfg/changelog.gz; do
  grep -qx "$file" "$scratch/files" || { echo "missing from the package: $file"; exit 1; }
done

dpkg -x "$deb" "$scratch/root"
bin="$scratch/root/usr/bin"
"$bin/62500cfg" --version | grep -qx "62500cfg [0-9.]*"
"$bin/62500cfg" show > /dev/null
"$bin/62500twk" --version | grep -qx "62500twk [0-9.]*"
"$bin/62500twk" --help | grep -q -- "--open"
zcat "$scratch/root/usr/share/man/man1/62500cfg.1.gz" | grep -q "K7Q_SIMULATED_BOARD"
desktop-file-validate "$scratch/root/usr/share/applications/62500twk.desktop"

# The file types, installed for a scratch user, name the fixtures and open with 62500twk.
export XDG_DATA_HOME="$scratch/data" XDG_DATA_DIRS=/usr/share
mkdir -p "$XDG_DATA_HOME"
xdg-mime install --mode user --novendor "$scratch/root/usr/share/mime/packages/62500cfg.xml"
for fixture in DRIVER.S19 driver.srec BOARD.TKB board.idp DRIVER.HEX driver.ihx app.axf; do
  : > "$scratch/$fixture"
  type=$(xdg-mime query filetype "$scratch/$fixture")
  case $fixture in
  *.S19 | *.srec) want=text/x-srecord ;;
  *.HEX | *.ihx) want=text/x-ihex ;;
  *.axf) want=application/x-axf ;;
  *) want=text/x-k7q-board-image ;;
  esac
  [ "$type" = "$want" ] || { echo "$fixture: $type, expected $want"; exit 1; }
done
mkdir -p "$XDG_DATA_HOME/applications"
cp "$scratch/root/usr/share/applications/62500twk.desktop" "$XDG_DATA_HOME/applications"
update-desktop-database "$XDG_DATA_HOME/applications"
for type in text/x-srecord text/x-k7q-board-image text/x-ihex application/x-axf; do
  [ "$(xdg-mime query default $type)" = 62500twk.desktop ] || { echo "$type: not 62500twk"; exit 1; }
done

# Completion: commands from --help, keynames from the program.
PATH="$bin:$PATH" bash -c '
  . /usr/share/bash-completion/bash_completion
  . "$1"
  compopt() { :; }  # works only while bash itself is completing
  complete_words() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _62500cfg 62500cfg "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"; echo "${COMPREPLY[*]}"; }
  complete_words 62500cfg ch | grep -qw check
  complete_words 62500cfg get - base | grep -qw baseaddr
  complete_words 62500cfg set - base | grep -qw baseaddr=
  complete_words 62500cfg export "" | grep -qw quickref
' sh "$scratch/root/usr/share/bash-completion/completions/62500cfg"
echo "package checks passed"
