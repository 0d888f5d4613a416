#!/usr/bin/env zsh
# zsh_complete.zsh DIR LINE: the candidates that zsh's completion offers after LINE, one per
# line, with the completion functions of DIR first in fpath. An interactive zsh on a
# pseudo-terminal is fed LINE and a Tab; its compadd notes every candidate before adding it.
emulate -L zsh
zmodload zsh/zpty || exit 2
dir=$1 input=$2

zpty shell zsh -f -i
zpty -w shell "PS1=''; fpath=(${(q)dir} \$fpath)"
zpty -w shell 'autoload -Uz compinit && compinit -u -D'
zpty -w shell 'zstyle ":completion:*" list-grouped false; zstyle ":completion:*" menu no'
# Matches that a completion only measures (-O, -A, -D) are not offered, so they pass through.
zpty -w shell 'compadd() {
    if [[ ${(j: :)@} == *-[OAD]* ]]; then builtin compadd "$@"; return; fi
    local -a hits; builtin compadd -O hits "$@"
    local hit; for hit in $hits; do print -r -- "<hit>$hit</hit>" >>$COMPLETION_LOG; done
    builtin compadd "$@"
}'
log=$(mktemp)
zpty -w shell "COMPLETION_LOG=${(q)log}"
zpty -w shell 'bindkey "^I" complete-word'
# Keys typed before the line editor runs would go to the terminal's own line discipline: wait
# for a marker, then for the editor to switch bracketed paste on (it does that on each start).
zpty -w shell 'print ${:-ready}-to-type'
zpty -r -m shell output '*ready-to-type*' || { zpty -d shell; exit 1; }
zpty -r -m shell output '*'$'\e''\[?2004h*' || { zpty -d shell; exit 1; }
zpty -n -w shell "$input"$'\t'
# Once the Tab is answered, the line is dropped and a marker printed; the marker's text is
# made by the shell, so the echo of the command cannot match it.
zpty -n -w shell $'\C-u'
zpty -w shell 'print ${:-done}-completing'
zpty -r -m shell output '*done-completing*' || { zpty -d shell; exit 1; }
zpty -d shell
sed -n 's:.*<hit>\(.*\)</hit>.*:\1:p' $log | sort -u
rm -f $log
