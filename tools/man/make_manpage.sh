#!/usr/bin/env bash
# Writes a tool's manual page from its own --help (every subcommand
# included) and a file of hand-written sections, then compresses it.
# Usage: make_manpage.sh TOOL NAME_LINE VERSION SECTIONS.h2m OUTPUT.1.gz
set -euo pipefail
tool=$1
name=$2
version=$3
sections=$4
output=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Help text as roff: a literal block, with backslashes and leading dots escaped.
as_roff() {
    printf '.nf\n'
    sed -e 's/\\/\\e/g' -e 's/^[.'"'"']/\\\&&/' -e "s|$tool|${tool##*/}|g"
    printf '.fi\n'
}

subcommands() {
    sed -n '/^Subcommands:/,/^$/{/^  [a-z]/{s/^  //;s/ .*//;p}}'
}

# One subsection per subcommand, two levels deep.
{
    cat "$sections"
    top=$("$tool" --help)
    if [[ -n $(subcommands <<<"$top") ]]; then
        printf '[COMMANDS]\n'
        for command in $(subcommands <<<"$top"); do
            help=$("$tool" "$command" --help)
            printf '.SS %s\n' "$command"
            as_roff <<<"$help"
            for inner in $(subcommands <<<"$help"); do
                printf '.SS "%s %s"\n' "$command" "$inner"
                "$tool" "$command" "$inner" --help | as_roff
            done
        done
    fi
} >"$work/sections.h2m"

# The tools may open a display or a key at start-up: give them neither.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
    help2man --no-info --no-discard-stderr --version-string="$version" --name="$name" \
    --include="$work/sections.h2m" --output="$work/page.1" "$tool"
mkdir -p "$(dirname "$output")"
gzip -9n <"$work/page.1" >"$output"
