#!/usr/bin/env bash
# Runs the command-line host as a user would and checks its output and exit statuses.
set -u
vandrel=$1
DATA=$(cd "$(dirname "$0")/../../data/samples" && pwd)
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
same() {  # same NAME ACTUAL WANTED
  if [ "$2" = "$3" ]; then passes=$((passes + 1)); else
    echo "FAIL $1: got [$2], wanted [$3]"; failures=$((failures + 1)); fi
}

expect version 0 "$vandrel" --version
contains version out "vandrel "
expect no-command 64 "$vandrel"
expect bad-option 64 "$vandrel" messages --language xx

# Every language has a text for each of the catalogue's offsets; Italian is the default.
expect messages 0 "$vandrel" messages --language en
cut -f1 "$work/out" >"$work/offsets"
for language in it fr de es; do
  "$vandrel" messages --language "$language" >"$work/$language"
  same "messages-$language" "$(awk -F'\t' '$2 != "" { print $1 }' "$work/$language")" \
    "$(cat "$work/offsets")"
done
expect messages-default 0 "$vandrel" messages
same messages-default "$(cat "$work/out")" "$(cat "$work/it")"

sqlite3 "$work/shop.db" "CREATE TABLE Clienti(nome TEXT); CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);"
expect check-ok 0 "$vandrel" check --db "$work/shop.db" --table Clienti --errors Errori \
  --language fr --decimal , --dates MDY --save-properties "$work/form.ini"
contains check-ok out "TabImport = Clienti: accepted"
# The saved properties, every one under its name (OverwriteTab so spelled), in their order.
printf '%s\n' '[VandrelCtl]' AsktoAppend=True FileType=1 ImportFile= ImportResult=4 InfoField= \
  Language=3000 "MDBFile=$work/shop.db" MDBPassword= NumField=0 OverwriteTab=False \
  SpecificationName= TabError=Errori TabImport=Clienti Encoding=auto DecimalSeparator=, \
  DateOrder=MDY | cmp -s - "$work/form.ini" && passes=$((passes + 1)) || { echo "FAIL: form.ini"; cat "$work/form.ini"; failures=$((failures + 1)); }
expect check-load 0 "$vandrel" check --load-properties "$work/form.ini" --errors Errori
# Saved again, awkward values read back exactly, and other sections of the file are kept.
awkward='SpecificationName=\x20lead\x3B \x23h \x22q\x22 b\x5Cs\x0D\x0Anext\x20'
printf '%s\n' '[Other]' 'key=value ; kept' '[VandrelCtl]' "$awkward" >"$work/awkward.ini"
expect check-awkward 0 "$vandrel" check --load-properties "$work/awkward.ini" \
  --save-properties "$work/awkward.ini"
grep -qxF -- "$awkward" "$work/awkward.ini" && grep -qxF 'key=value ; kept' "$work/awkward.ini" \
  && passes=$((passes + 1)) || { echo "FAIL: awkward.ini"; cat "$work/awkward.ini"; failures=$((failures + 1)); }
printf '[VandrelCtl]\nFileType=uno\n' >"$work/bad.ini"
expect check-bad-saved 1 "$vandrel" check --load-properties "$work/bad.ini"
contains check-bad-saved err "error 13: The saved property FileType is not a number"
# Tables need the database first and match letter case; MDBFile is test-opened, never made,
# and refused with its cause's number, from the saved properties too.
expect check-no-db 1 "$vandrel" check --errors Errori
contains check-no-db err "error 380: Prima di impostare la tabella occorre impostare il database."
expect check-errors-case 1 "$vandrel" check --db "$work/shop.db" --errors errori
contains check-errors-case err "error 380: La tabella passata come TabError non esiste nel database"
expect check-missing-db 1 "$vandrel" check --db "$work/none.db"
contains check-missing-db err "error 380: 3024 The database file '$work/none.db' was not found."
[ ! -e "$work/none.db" ] && passes=$((passes + 1)) || { echo "FAIL: none.db made"; failures=$((failures + 1)); }
printf '[VandrelCtl]\nMDBFile=%s\n' "$work/none.db" >"$work/gone.ini"
expect check-gone-db 1 "$vandrel" check --load-properties "$work/gone.ini" --table Clienti
contains check-gone-db err "error 380: 3024 "
printf '%100s' text >"$work/note.txt"
expect check-not-a-db 1 "$vandrel" check --db "$work/note.txt"
contains check-not-a-db err "error 380: 3051 "
expect check-folder 1 "$vandrel" check --db "$work"
contains check-folder err "error 380: 3051 "
expect check-bad-connect 1 "$vandrel" check --connect 'PWD=x' --db "$work/shop.db"
contains check-bad-connect err "error 380: 3001 The connect string's 'PWD' cannot be honoured"
# Another connection keeps the database locked (its transaction open until the FIFO closes).
mkfifo "$work/hold"
sqlite3 "$work/shop.db" <"$work/hold" >/dev/null 2>&1 &
exec 3>"$work/hold"
echo "PRAGMA journal_mode = DELETE; BEGIN EXCLUSIVE; DELETE FROM Clienti;" >&3
for _ in $(seq 100); do
  "$vandrel" check --connect busy_timeout=0 --db "$work/shop.db" >"$work/out" 2>"$work/err" || break
  sleep 0.1
done
contains check-locked err "error 380: 3260 "
exec 3>&-
wait
# A PostgreSQL URI: no server needed to see the cause and that no password is shown.
expect check-pg-down 1 "$vandrel" check --connect 'password=abc;connect_timeout=2' \
  --db 'postgresql://ann:topsecret@/shop?host=/nonexistent-vandrel'
contains check-pg-down out "MDBPassword = password=*****;connect_timeout=2: accepted"
contains check-pg-down err "error 380: 3151 Cannot connect to the database 'postgresql://ann:*****@/shop"
if grep -q -e topsecret -e abc "$work/out" "$work/err"; then
  echo "FAIL check-pg-down: a password was shown"; failures=$((failures + 1)); else passes=$((passes + 1)); fi
expect check-pg-bad-key 1 "$vandrel" check --connect 'colour=red' --db 'postgres:///shop'
contains check-pg-bad-key err "error 380: 3001 "

# Layouts and silent imports.
specs="$work/specs"
mkdir -p "$specs"
expect specs-add 0 "$vandrel" specs add Clienti --kind delimited --separator ';' --delimiter '{NONE}' \
  --skip 1 --language it --specs-dir "$specs"
contains specs-add-echo out "saved delimited layout 'Clienti' in $specs/FlDlmtd"
expect specs-add-dup 1 "$vandrel" specs add Clienti --kind delimited --separator ';' --delimiter '"' \
  --skip 0 --language en --specs-dir "$specs"
# Names the layout file cannot hold as typed are usage errors; the stored name is echoed.
add_named() {  # add_named STATUS TESTNAME NAME
  expect "$2" "$1" "$vandrel" specs add "$3" --kind delimited --separator ';' --delimiter '{NONE}' \
    --skip 0 --specs-dir "$specs"
}
add_named 64 specs-add-empty '  '
contains specs-add-empty err "A layout needs a name."
add_named 64 specs-add-long 'ABCDEFGHIJKLMNOPQRSTU'
contains specs-add-long err "has 21 characters; at most 20 are kept."
add_named 64 specs-add-foreign 'Łódź'
contains specs-add-foreign err "Windows-1252 only"
add_named 0 specs-add-trimmed '  Città ventesima   '
contains specs-add-trimmed out "saved delimited layout 'Città ventesima' in"
add_named 1 specs-add-trimmed-dup 'Città ventesima '
expect specs-delete-trimmed 0 "$vandrel" specs delete 'Città ventesima' --kind delimited --specs-dir "$specs"
expect specs-show 0 "$vandrel" specs show Clienti --kind delimited --specs-dir "$specs"
contains specs-show-token out "delimiter: {NESSUNO}"
expect specs-add-fixed 0 "$vandrel" specs add Fisso --kind fixed --columns 1-5,6-8 --separator '{NONE}' \
  --delimiter '{NONE}' --skip 0 --specs-dir "$specs"
expect specs-bad-columns 64 "$vandrel" specs add Bad --kind fixed --columns 5-1 --separator ';' \
  --delimiter '{NONE}' --skip 0 --specs-dir "$specs"

printf 'nome;qta\r\nAnna;1\r\nBruno;due\r\nCarla;3\r\n' >"$work/clienti.txt"
printf 'Anna 1  \nBruno2  \n' >"$work/fisso.txt"
sqlite3 "$work/shop.db" "CREATE TABLE Ordini(nome TEXT, qta INTEGER);"
run_import() {  # run_import STATUS NAME extra-args...
  local wanted=$1 name=$2
  shift 2
  expect "$name" "$wanted" "$vandrel" import --db "$work/shop.db" --table "${TABLE:-Ordini}" --errors Errori \
    --specs-dir "$specs" --field 'Nome|nome||||0' --field 'Quantità|qta||||1' "$@"
}
run_import 3 import-serror --file "$work/clienti.txt" --type delimited --spec CLIENTI --language en
contains import-serror out "SError"
contains import-serror-counts out "2 rows stored, 1 line logged"
run_import 0 import-fixed --file "$work/fisso.txt" --type fixed --spec Fisso --overwrite
contains import-fixed out "Success"
same import-overwrite "$(sqlite3 "$work/shop.db" 'SELECT group_concat(nome) FROM Ordini')" Anna,Bruno
run_import 2 import-no-layout --file "$work/clienti.txt" --type delimited --spec Nessuno
contains import-no-layout out "Failure"
# An import that stops on an error still says what it stored before it.
sqlite3 "$work/shop.db" "CREATE TABLE Unici(nome TEXT UNIQUE ON CONFLICT ROLLBACK, qta INTEGER);"
{ echo 'nome;qta'; seq 1 12000 | sed 's/^/n/; s/$/;1/'; echo 'n1;1'; } >"$work/unici.txt"
TABLE=Unici run_import 1 import-stopped --file "$work/unici.txt" --type delimited --spec Clienti
contains import-stopped err "error 3022: The database undid the current group of rows"
stored=$(sqlite3 "$work/shop.db" 'SELECT count(*) FROM Unici')
contains import-stopped-counts out "$stored rows stored, 0 lines logged"
run_import 64 import-bad-field --file "$work/clienti.txt" --type delimited --spec Clienti \
  --field 'a|b|c|d|e|f|g|h|i'

# Text files as other programs write them, imported as a user would.
real="$work/real.db" layouts="$work/layouts"
mkdir -p "$layouts"
sqlite3 "$real" "CREATE TABLE People(first TEXT, last TEXT, city TEXT, zip TEXT);
  CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr VARCHAR(255), TestoRiga VARCHAR(40),
  NomeColonna);"
"$vandrel" specs add csv --kind delimited --separator , --delimiter '"' --skip 0 --specs-dir "$layouts" >/dev/null
"$vandrel" specs add bar --kind delimited --separator '¦' --delimiter '«' --skip 0 --specs-dir "$layouts" >/dev/null
"$vandrel" specs add fix --kind fixed --columns 1-6,7-11,12-13,14-18 --separator '{NONE}' --delimiter '"' \
  --skip 0 --specs-dir "$layouts" >/dev/null
people() {  # people STATUS NAME FILE SPEC [args...]: FILE's four fields into People, afresh
  local wanted=$1 name=$2 file=$3 spec=$4
  shift 4
  sqlite3 "$real" "DELETE FROM Errori"
  expect "$name" "$wanted" "$vandrel" import --db "$real" --table People --errors Errori --overwrite \
    --specs-dir "$layouts" --file "$file" --type "$([ "$spec" = fix ] && echo fixed || echo delimited)" \
    --spec "$spec" --language en --field 'A|first||||0' --field 'B|last||||1' --field 'C|city||||2' \
    --field 'D|zip||||3' "$@"
}
stored() {  # stored NAME TABLE EXPECTED: the table's rows, cells joined by '|' and rows by ';'
  same "$1" "$(sqlite3 "$real" "SELECT group_concat(r, ';') FROM (SELECT $(sqlite3 "$real" \
    "SELECT group_concat('ifnull(' || name || ', ''NULL'')', ' || ''|'' || ') FROM pragma_table_info('$2')") \
    AS r FROM $2 ORDER BY rowid)")" "$3"
}
# CSV as spreadsheets write it: separators, doubled quotes and line ends inside quotes; an
# unclosed quote costs its own line only, numbered as in the file.
printf '%s\r\n' 'John,Doe,120 any st.,"Anytown, WW"' '1,"ha ""ha"" ha",x,y' '"Once upon ' 'a time",5,6,7' \
  >"$work/people.csv"
printf '"Lf\nonly","Cr\ronly",c,d\n5'"'"'10",tall,z,\n"never closed,x,y,z\nafter,1,2,3\n' >>"$work/people.csv"
people 3 import-csv "$work/people.csv" csv
stored import-csv People $'John|Doe|120 any st.|Anytown, WW;1|ha "ha" ha|x|y;Once upon \r\na time|5|6|7;Lf\nonly|Cr\ronly|c|d;5\'10"|tall|z|;after|1|2|3'
stored import-csv-errors "Errori" $'9|31001|The text delimiter " opened on line 9 is never closed.|"never closed,x,y,z|'
# Windows-1252 and its bytes as separators, and a line that is not valid in the encoding named.
printf 'Citt\xE0,Perch\xE9,\x80,x\n' >"$work/c.csv"
printf 'Mario\xA6\xABRo\xA6ma\xAB\xA6x\xA6y\n' >"$work/d.csv"
printf 'ok,1,2,3\nbad \xFF,1,2,3\n' >"$work/e.csv"
people 0 import-text-1252 "$work/c.csv" csv
stored import-1252 People 'Città|Perché|€|x'
people 0 import-bar "$work/d.csv" bar
stored import-bar People 'Mario|Ro¦ma|x|y'
people 3 import-not-utf8 "$work/e.csv" csv --encoding utf-8
stored import-not-utf8 Errori '2|31003|Line 2 is not valid utf-8 text.|bad �,1,2,3|'
# Fixed-width columns count characters, in UTF-8 as in Windows-1252; delimiters at the ends go.
printf '\xC3\x85land L\xC3\xB6f  CI12345\nCitt\xC3\xA0 "Ros"IT00100\n' >"$work/f.txt"
printf '\xE0\xE8    12345ab 9\r\n' >"$work/g.txt"
people 0 import-fixed-utf8 "$work/f.txt" fix
stored import-fixed-utf8 People 'Åland|Löf|CI|12345;Città|Ros|IT|00100'
people 0 import-fixed-1252 "$work/g.txt" fix
stored import-fixed-1252 People 'àè|12345|ab|9'
# Error rows keep the record as read (cut to TestoRiga) and the column refused (none when the
# line is refused before any column); MsgErr keeps its column's size however long the value;
# a line too short to hold data is passed over and not counted.
sqlite3 "$real" "CREATE TABLE Items(code TEXT UNIQUE, qty INTEGER);"
nines=$(printf '9%.0s' $(seq 300))
printf 'a;1\r\n\r\nb;two\r\n"c\r\nd";x\r\na;3\r\ne;4;5\r\ng;%s\r\n' "$nines" >"$work/items.txt"
"$vandrel" specs add quoted --kind delimited --separator ';' --delimiter '"' --skip 0 --specs-dir "$layouts" >/dev/null
expect import-error-rows 3 "$vandrel" import --db "$real" --table Items --errors Errori --specs-dir "$layouts" \
  --file "$work/items.txt" --type delimited --spec quoted --field 'C|code||||0' --field 'Q|qty||||1'
same import-too-many "$(sqlite3 "$real" "SELECT MsgErr FROM Errori WHERE CodErr = 9")" \
  'Subscript out of range: the line has 3 fields; 2 are expected.'
sqlite3 "$real" "UPDATE Errori SET MsgErr = length(MsgErr) = 255"
stored import-error-rows Errori $'2|3421|0|b;two|qty;3|3421|0|"c\r\nd";x|qty;5|3022|0|a;3|code;6|9|0|e;4;5|;7|3421|1|g;'"${nines:0:38}"'|qty'
# Each --field row decides what its column gets: the line's field, or its constant instead when
# it has one too; with no field, the constant only under a new column name. A field that is not
# a number, one past the line's, or a column the table lacks fails every line with its own error.
sqlite3 "$real" "CREATE TABLE Notes(code TEXT, qty INTEGER, note TEXT DEFAULT 'none'); DELETE FROM Errori;"
printf 'a;1\n' >"$work/one.txt"
printf 'ab\ncd\n' >"$work/two.txt"
notes() {  # notes STATUS NAME FILE --field ROW...: FILE into Notes by the layout quoted
  expect "$2" "$1" "$vandrel" import --db "$real" --table Notes --errors Errori --specs-dir "$layouts" \
    --file "$3" --type delimited --spec quoted "${@:4}"
}
for code in 'C|code||||0' 'C|code||||0|K'; do
  notes 0 "import-constant-$code" "$work/one.txt" --field "$code" --field 'Q|qty|||||7' \
    --field 'N|note|||||fixed|Nota'
done
stored import-constants Notes 'a|NULL|fixed;K|NULL|fixed'
for row in 'C|code||||x' 'C|code||||5' 'C|colour||||0'; do notes 3 "import-row-$row" "$work/two.txt" --field "$row"; done
[ "$(sqlite3 "$real" "SELECT group_concat(NumRiga || ':' || CodErr, ' ') FROM Errori")" = '1:13 2:13 1:9 2:9 1:3265 2:3265' ] \
  && passes=$((passes + 1)) || { echo "FAIL: bad field rows"; failures=$((failures + 1)); }
# The Italian price list of the samples is refused line by line under the default format, and
# stored with a decimal comma and day-first dates.
sqlite3 "$real" "CREATE TABLE Listino(Codice TEXT, Descrizione TEXT, Prezzo DECIMAL(10,2),
  Giacenza INTEGER, Dal DATE, Disponibile BOOLEAN, Aggiornato DATETIME); DELETE FROM Errori;"
"$vandrel" specs add listino --kind delimited --separator ';' --delimiter '{NONE}' --skip 1 --specs-dir "$layouts" >/dev/null
listino() {  # listino STATUS NAME [args...]
  local wanted=$1 name=$2
  shift 2
  expect "$name" "$wanted" "$vandrel" import --db "$real" --table Listino --errors Errori --specs-dir "$layouts" \
    --file "$DATA/listino.txt" --type delimited --spec listino --field 'A|Codice||||0' --field 'B|Descrizione||||1' \
    --field 'C|Prezzo||||2' --field 'D|Giacenza||||3' --field 'E|Dal||||4' --field 'F|Disponibile||||5' \
    --field 'G|Aggiornato||||6' "$@"
}
listino 3 import-italian-as-iso
same import-italian-as-iso \
  "$(sqlite3 "$real" "SELECT (SELECT count(*) FROM Errori) || '/' || count(*) FROM Listino")" 6/0
listino 0 import-italian --decimal , --dates DMY
same import-italian "$(sqlite3 "$real" "SELECT Prezzo, typeof(Prezzo), Giacenza, Dal, Disponibile,
  Aggiornato FROM Listino" | tr '\n' ' ')" "12.5|real|1250|2024-04-12|1|2024-04-12 08:30:00 \
1250.5|real|35|2024-03-01|0|2024-03-01 17:05:00 4.99|real|12345|2024-02-29|1|2024-02-29 00:00:00 \
0.89|real|100000|2023-12-31|0|2023-12-31 23:59:00 1234567.89|real|-2|2024-06-05|1|2024-06-05 12:00:00 \
-1000|integer|0|2024-01-01|0| "

# Ctrl-C stops a long import before a line: the lines before it are committed, none after;
# it says where and exits with 4 (Abort). The signal is sent once rows have been committed.
# Long enough to be still running after its first group (about a second) is committed.
{ echo "nome;qta"; paste -d ';' <(seq -f 'n%.0f' 1 12000000) <(seq 1 12000000); } >"$work/lungo.txt"
sqlite3 "$work/stop.db" "CREATE TABLE Ordini(nome TEXT, qta INTEGER);
  CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);"
"$vandrel" import --db "$work/stop.db" --table Ordini --errors Errori --specs-dir "$specs" \
  --field 'Nome|nome||||0' --field 'Quantità|qta||||1' --file "$work/lungo.txt" \
  --type delimited --spec Clienti >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 1200); do
  stored=$(sqlite3 "$work/stop.db" "SELECT count(*) FROM Ordini" 2>/dev/null)
  [ "${stored:-0}" -gt 0 ] && break
  sleep 0.05
done
kill -INT "$pid"
wait "$pid"
status=$?
[ "$status" -eq 4 ] && passes=$((passes + 1)) || { echo "FAIL import-sigint: exit $status"; cat "$work/out" "$work/err"; failures=$((failures + 1)); }
contains import-sigint out "Abort"
stop=$(sed -n 's/.*stopped at line \([0-9]*\).*/\1/p' "$work/err")
[ -n "$stop" ] && [ "$(sqlite3 "$work/stop.db" 'SELECT count(*), max(qta) FROM Ordini')" = "$((stop - 1))|$((stop - 1))" ] \
  && passes=$((passes + 1)) || { echo "FAIL import-sigint: rows before line ${stop:-?}"; failures=$((failures + 1)); }

expect specs-delete 0 "$vandrel" specs delete Clienti --kind delimited --specs-dir "$specs"
contains specs-delete out "deleted 1"

echo "cli: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
