#!/bin/sh
# make-man.sh OUT.1.gz VERSION SUMMARY INCLUDE PROGRAM [EMULATOR...]
# The manual page of PROGRAM, made by help2man from its own --help, so page and help never
# differ. When the help lists "commands:" (kaviro-cli), every command's --help and that of each
# of its subcommands follow in a COMMANDS section. INCLUDE adds the sections no help holds (SEE
# ALSO, ...). EMULATOR runs a cross-built PROGRAM (qemu-aarch64).
set -eu
out=$1 version=$2 summary=$3 include=$4 program=$5
shift 5
emulator="$*"
name=$(basename "$program")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

# help2man names the page after the file it runs: a wrapper of the program's own name, which
# also puts a tab-separated list (kaviro-cli's commands) into even columns that help2man reads.
mkdir "$work/bin"
printf '#!/bin/sh\n%s "%s" "$@" | expand -t 12\n' "$emulator" "$program" > "$work/bin/$name"
chmod +x "$work/bin/$name"
run() { $emulator "$program" "$@"; }

# Help text as a verbatim roff block; a line may not start a roff request, nor a section ([...])
# or a pattern (/.../) of the include file.
verbatim() {
  echo '.nf'
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s|^\\([.'[/]\\)|\\\\\\&\\1|"
  echo '.fi'
}
# The lines of the help's "HEADING:" paragraph, first word only.
listed() { sed -n "/^$1:\$/,/^\$/{/^  [a-z]/s/^  \\([a-z0-9-]*\\).*/\\1/p}"; }

cp "$include" "$work/include.h2m"
commands=$(run --help | listed commands)
if [ -n "$commands" ]; then
  echo '[COMMANDS]' >> "$work/include.h2m"
  for c in $commands; do
    printf '.SS "%s %s"\n' "$name" "$c"
    run "$c" --help | verbatim
    for s in $(run "$c" --help | listed Subcommands); do
      printf '.SS "%s %s %s"\n' "$name" "$c" "$s"
      # Its verb's link options, shown just above, are left out.
      run "$c" "$s" --help | sed '/^Link options/,/^$/d' | verbatim
    done
  done >> "$work/include.h2m"
fi

help2man --no-info --locale=C.UTF-8 --section=1 --version-string="$version" --name="$summary" \
  --include="$work/include.h2m" --output="$work/page.1" "$work/bin/$name"
gzip -9n < "$work/page.1" > "$out"
