# bash completion for nivora-cli                             -*- shell-script -*-
#
# To add an option: put it into its command's line of _nivora_cli_options and, when it
# takes a value, into _nivora_cli_values (a word list, or one of the kinds :file,
# :dir, :port, :number). tests/completion checks that every option a command's --help
# names is offered here.

_nivora_cli_commands="check download help nv ports preview print render status virtual-printer"

_nivora_cli_port_options="-p --port --baud --data-bits --parity --stop-bits --handshake --stall-timeout"
_nivora_cli_adjust_options="--trim --rotate --fit --scale --brightness --contrast --gamma --invert"

declare -A _nivora_cli_options=(
    [check]="$_nivora_cli_port_options"
    [download]="$_nivora_cli_port_options -o --output --erase-all -t --threshold -w --max-width -c --center
                --halftone --printers -j --jobs -q --quiet -v --verbose --ask-state --no-ask-state
                $_nivora_cli_adjust_options"
    [print]="$_nivora_cli_port_options -o --output -r --range -m --mode --header --printers -j --jobs -q --quiet
             --ask-state --no-ask-state"
    [render]="-d --dir --max-images"
    [virtual-printer]="--listen --pty -d --dir --capacity --busy-ms --classic-only --keyed-only --keep-both
                       --paper-out --max-images"
    [preview]="-o --output -t --threshold -w --max-width -c --center --halftone -m --mode $_nivora_cli_adjust_options"
    [ports]="--table --network"
    [nv]="$_nivora_cli_port_options --printers -j --jobs --busy-timeout --ask-state --no-ask-state --json -v --verbose
          -t --threshold -w --max-width -c --center --halftone -m --mode --all --prune --dry-run --store-all
          $_nivora_cli_adjust_options"
    [status]="$_nivora_cli_port_options --printers -j --jobs --json --prometheus --no-memory"
    [help]=""
)

# What follows an option that takes a value. Options missing here take none.
declare -A _nivora_cli_values=(
    [-p]=:port [--port]=:port
    [--baud]="2400 4800 9600 14400 19200 38400 57600 115200"
    [--data-bits]="7 8"
    [--parity]="none odd even"
    [--stop-bits]="1 2"
    [--handshake]="dtr xon"
    [--stall-timeout]=:number
    [-o]=:file [--output]=:file
    [-t]=:number [--threshold]=:number
    [-w]=:number [--max-width]=:number
    [--halftone]="classic colour floyd-steinberg atkinson"
    [--printers]=:file
    [-j]=:number [--jobs]=:number
    [-r]=:number [--range]=:number
    [-m]="normal double-width double-height quadruple" [--mode]="normal double-width double-height quadruple"
    [-d]=:dir [--dir]=:dir
    [--max-images]=:number
    [--listen]=:number [--pty]=:file [--capacity]=:number [--busy-ms]=:number
    [--busy-timeout]=:number [--prometheus]=:file
    [--rotate]="0 90 180 270" [--scale]=:number [--brightness]=:number [--contrast]=:number [--gamma]=:number
)
# -c is a value-taking list of positions for download and a flag for preview.
_nivora_cli_takes_value() # command option
{
    [[ $2 == -c || $2 == --center ]] && { [[ $1 == download ]]; return; }
    [[ -v "_nivora_cli_values[$2]" ]]
}

_nivora_cli_complete_value() # command option current-word
{
    local kind=${_nivora_cli_values[$2]-}
    case $kind in
        :file) _filedir ;;
        :dir) _filedir -d ;;
        :number) ;;
        :port)
            local devices
            devices=$(compgen -G '/dev/tty[SUA]*' ; compgen -G '/dev/ttyACM*' ; compgen -G '/dev/usb/lp*' ; compgen -G '/dev/lp*')
            COMPREPLY=($(compgen -W "COM1 LPT1 LPT2 tcp:// $devices" -- "$3"))
            [[ $3 == /* || $3 == ./* ]] && _filedir
            ;;
        *) COMPREPLY=($(compgen -W "$kind" -- "$3")) ;;
    esac
}

_nivora_cli()
{
    local cur prev words cword
    _init_completion -n = || return

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$_nivora_cli_commands -h --help -V --version" -- "$cur"))
        return
    fi
    local command=${words[1]}
    if [[ $command == help ]]; then
        ((cword == 2)) && COMPREPLY=($(compgen -W "$_nivora_cli_commands" -- "$cur"))
        return
    fi
    if [[ $command == nv && $cur != -* ]] && ((cword == 2)); then
        COMPREPLY=($(compgen -W "info store delete print sync" -- "$cur"))
        return
    fi

    if [[ $cur == --*=* ]]; then
        local option=${cur%%=*}
        _nivora_cli_takes_value "$command" "$option" || return
        _nivora_cli_complete_value "$command" "$option" "${cur#*=}"
        return
    fi
    if [[ $prev == -* ]] && _nivora_cli_takes_value "$command" "$prev"; then
        _nivora_cli_complete_value "$command" "$prev" "$cur"
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${_nivora_cli_options[$command]-} -h --help -V --version" -- "$cur"))
        return
    fi
    # Arguments: image files for download and preview, a stream for render.
    case $command in
        download | preview) _filedir '@(bmp|BMP|png|PNG|jp?(e)g|JP?(E)G|gif|GIF)' ;;
        render) _filedir ;;
        nv) [[ ${words[2]} == sync ]] && _filedir ;;
    esac
}
complete -F _nivora_cli nivora-cli

# ex: filetype=sh
