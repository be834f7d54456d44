# bash completion for facetra-cli: the commands, each command's options, the
# values of the options that take a word, and file names everywhere else.

_facetra_cli_files()
{
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen "$1" -- "$2")
}

_facetra_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "info convert sample subdivide simplify morphogens terrain
            filter segment classify run --help --version" -- "$cur"))
        return
    fi

    case $prev in
        --algorithm)
            COMPREPLY=($(compgen -W "meanshift spherejump median" -- "$cur"))
            return
            ;;
        --mode)
            COMPREPLY=($(compgen -W "floyd dijkstra" -- "$cur"))
            return
            ;;
        --out-dir | --save-all)
            _facetra_cli_files -d "$cur"
            return
            ;;
        --levels | --weight | --lod | --resolution | --scale | --height | --radius | \
            --patches | --jobs | --traverse)
            return
            ;;
    esac

    local options
    case ${COMP_WORDS[1]} in
        info) options="--json" ;;
        subdivide) options="--levels --weight" ;;
        simplify) options="--lod" ;;
        morphogens) options="--settings" ;;
        terrain) options="--heightmap --resolution --scale --height --colour-by-height" ;;
        filter) options="--algorithm --radius --normals-out" ;;
        segment) options="--traverse --mark --save-all" ;;
        classify) options="--weight --mode --patches --load-table --save-table --json" ;;
        run) options="--jobs --out-dir" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    _facetra_cli_files -f "$cur"
}

complete -F _facetra_cli facetra-cli
