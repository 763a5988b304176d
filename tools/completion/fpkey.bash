# Bash completion for fpkey. The subcommands, options and choices come from
# fpkey's own --help at each level, so completion follows the fpkey it
# completes for and never goes stale.

# The first column of each option line: "-d,--device TEXT", "--json".
_fpkey_option_lines() {
    sed -n '/^Options:/,/^$/{/^  -/{s/^  //;s/  .*//;p}}' <<<"$1"
}

_fpkey_option_names() {
    _fpkey_option_lines "$1" | sed 's/ .*//' | tr ',' '\n'
}

# Prints the value type of option $2 ("TEXT", "TEXT:FILE", ...), nothing for a flag.
_fpkey_option_value() {
    local option names
    while IFS= read -r option; do
        names=${option%% *}
        if [[ ,$names, == *,"$2",* && $option == *" "* ]]; then
            printf '%s\n' "${option#* }"
            return
        fi
    done < <(_fpkey_option_lines "$1")
}

_fpkey_subcommands() {
    sed -n '/^Subcommands:/,/^$/{/^  [a-z]/{s/^  //;s/ .*//;p}}' <<<"$1"
}

# Choices of the first positional argument that has any: "setting TEXT:{a,b}".
_fpkey_choices() {
    sed -n '/^Positionals:/,/^$/{/{.*}/{s/.*{//;s/}.*//;s/,/ /g;p;q}}' <<<"$1"
}

_fpkey() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local tool=${COMP_WORDS[0]} top help i word
    top=$("$tool" --help 2>/dev/null) || return
    help=$top
    local path=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == -* ]]; then
            # An option with a value swallows the next word; global options
            # are known at every level.
            [[ $word == *=* ]] && continue
            if [[ -n $(_fpkey_option_value "$help"$'\n'"$top" "$word") ]]; then ((i++)); fi
            continue
        fi
        if _fpkey_subcommands "$help" | grep -qxF -- "$word"; then
            path+=("$word")
            help=$("$tool" "${path[@]}" --help 2>/dev/null) || return
        fi
    done

    local value
    value=$(_fpkey_option_value "$help"$'\n'"$top" "$prev")
    if [[ $prev == -* && -n $value ]]; then
        case $prev in
        -d | --device)
            COMPREPLY=($(compgen -W "sim sim: sim-t0 sim-t0: pcsc pcsc:" -- "$cur"))
            compopt -o nospace 2>/dev/null
            ;;
        *)
            if [[ $value == *FILE* || $value == TEXT* ]]; then
                COMPREPLY=($(compgen -f -- "$cur"))
                compopt -o filenames 2>/dev/null
            fi
            ;;
        esac
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_fpkey_option_names "$help") $(_fpkey_option_names "$top")" -- "$cur"))
        return
    fi
    local words
    words="$(_fpkey_subcommands "$help") $(_fpkey_choices "$help")"
    if [[ -n ${words// /} ]]; then
        COMPREPLY=($(compgen -W "$words" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
        compopt -o filenames 2>/dev/null
    fi
}
complete -F _fpkey fpkey
