# bash completion for quadrelume, quadrelume-capture and quadrelume-publish.
#
# The options, and which of them take a value, are read from the program's
# own --help at every completion, and the capture program's kinds of output
# from the OUTPUT list of its --help, so that completion always matches the
# program that is being run. An option's value is completed by the name
# --help gives it: DIR or FOLDER completes folders, FILE files. An option
# whose value is optional ("--sync[=ADDRESS]") takes it only after "=", so
# it completes as a flag.

# The options of the program $1, one per line, each followed by the name of
# its value when it takes one: "--demo DIR", "--edit".
_quadrelume_options()
{
    "$1" --help 2>/dev/null |
        sed -n -E 's/^  (-[-[:alnum:]]+)( [A-Z][[:alnum:]_]*)?( |\[|$).*/\1\2/p'
}

# The capture program's outputs: folders (PNG frames go into an existing
# one), files of the kinds it writes, and the word typed so far with each of
# its output suffixes (".mp4", "%05d.png" after a folder).
_quadrelume_outputs()
{
    local program=$1 suffix extensions="" suffixes=()
    while read -r suffix; do
        suffixes+=("$suffix")
        [[ $suffix == .* ]] && extensions+="${extensions:+|}${suffix#.}"
    done < <("$program" --help 2>/dev/null | sed -n -E 's/^  NAME([^[:space:]]+).*/\1/p')

    _filedir "$extensions"
    [[ -z $cur ]] && return
    local stem=${cur%.}
    if [[ $cur == */ ]]; then
        for suffix in "${suffixes[@]}"; do
            [[ $suffix == .* ]] || COMPREPLY+=("$cur$suffix")
        done
    elif [[ ${stem##*/} != *.* ]]; then
        for suffix in "${suffixes[@]}"; do
            [[ $suffix == .* ]] && COMPREPLY+=("$stem$suffix")
        done
    fi
}

_quadrelume()
{
    local cur prev words cword split
    _init_completion -s || return

    local program=${words[0]} option value
    [[ $program == "~/"* ]] && program=$HOME/${program#"~/"}
    local -A values=()
    local options=()
    while read -r option value; do
        options+=("$option")
        [[ -n $value ]] && values[$option]=$value
    done < <(_quadrelume_options "$program")

    if [[ $prev == -* && -n ${values[$prev]-} ]]; then
        case ${values[$prev]} in
            DIR | FOLDER) _filedir -d ;;
            FILE) _filedir ;;
        esac
        return
    fi
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${options[*]}" -- "$cur"))
    elif [[ ${program##*/} == quadrelume-capture ]]; then
        _quadrelume_outputs "$program"
    else
        _filedir -d # the demo folder, or the publish program's OUTDIR
    fi
}
complete -F _quadrelume quadrelume quadrelume-capture quadrelume-publish
