#!/usr/bin/env bash
# Runs the command-line host as a user would and checks its output and exit statuses.
set -u
vandrel=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

expect() {  # expect NAME WANTED_STATUS COMMAND...
  local name=$1 wanted=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  local status=$?
  if [ "$status" -ne "$wanted" ]; then
    echo "FAIL $name: exit $status, wanted $wanted"; cat "$work/out" "$work/err"
    failures=$((failures + 1))
  else
    passes=$((passes + 1))
  fi
}
contains() {  # contains NAME FILE TEXT
  if grep -qF -- "$3" "$work/$2"; then passes=$((passes + 1)); else
    echo "FAIL $1: '$3' not in $2"; cat "$work/$2"; failures=$((failures + 1)); fi
}

expect version 0 "$vandrel" --version
contains version out "vandrel "
expect help 0 "$vandrel" --help
contains help out "messages"
expect no-command 64 "$vandrel"
expect bad-option 64 "$vandrel" messages --language xx

expect messages 0 "$vandrel" messages --language en
contains messages-312 out $'312\tThe files cointain data!'
[ "$(wc -l <"$work/out")" -eq 83 ] && passes=$((passes + 1)) || { echo "FAIL: not 83 lines"; failures=$((failures + 1)); }
expect messages-it 0 "$vandrel" messages
contains messages-it out $'0\tAvanti >>'

sqlite3 "$work/shop.db" "CREATE TABLE Clienti(nome TEXT); CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);"
expect check-ok 0 "$vandrel" check --db "$work/shop.db" --table Clienti --errors Errori \
  --save-properties "$work/form.ini"
contains check-ok out "TabImport = Clienti: accepted"
grep -q "^TabImport=Clienti$" "$work/form.ini" && passes=$((passes + 1)) || { echo "FAIL: form.ini"; failures=$((failures + 1)); }
expect check-load 0 "$vandrel" check --load-properties "$work/form.ini" --errors Errori
expect check-case 1 "$vandrel" check --db "$work/shop.db" --table clienti
contains check-case err "error 380: La tabella passata come TabImport non esiste nel database"
expect check-missing-db 1 "$vandrel" check --db "$work/none.db"
contains check-missing-db err "error 380: Invalid property value"

echo "cli: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
