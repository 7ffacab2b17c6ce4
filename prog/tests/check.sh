#!/usr/bin/env bash
# check.sh WHICH PROGRAM: runs one exercise program (p1, p2, p3 or lab2) on known inputs and compares
# everything it prints, and its exit status, with what it must print. Exit status 0 when all cases pass.
set -u
which=$1
program=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-prog.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

# check NAME STATUS INPUT EXPECTED [ARGS...]: runs the program in $work with INPUT on its standard input.
check() {
    local name=$1 status=$2 input=$3 expected=$4 actual rc
    shift 4
    actual=$(cd "$work" && printf '%s' "$input" | "$program" "$@")
    rc=$?
    if [[ $actual != "$expected" || $rc != "$status" ]]; then
        echo "FAIL $which/$name: exit status $rc (expected $status)"
        diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed 's/^/    /'
        failures=$((failures + 1))
    else
        echo "ok   $which/$name"
    fi
}

# In a terminal the program must wait for Enter before it ends, so its window stays open to be read.
check_pause() {
    local input=$1 out
    shift
    if ! command -v script >/dev/null; then
        echo "skip $which/pause: no script(1) to give the program a terminal"
        return
    fi
    local command
    printf -v command '%q ' "$program" "$@"
    out=$(cd "$work" && printf '%s\n' "$input" | timeout 10 script -qec "$command" /dev/null)
    if [[ $out != *"Apasati Enter pentru a inchide fereastra..."* ]]; then
        echo "FAIL $which/pause: no pause in a terminal"
        failures=$((failures + 1))
    fi
    # Without the Enter the program is still waiting when the time runs out.
    (cd "$work" && { printf '%s' "$input"; sleep 3; } | timeout 1 script -qec "$command" /dev/null >/dev/null 2>&1)
    if [[ $? != 124 ]]; then
        echo "FAIL $which/pause: ended without waiting for Enter"
        failures=$((failures + 1))
    else
        echo "ok   $which/pause"
    fi
}

case $which in
p1)
    head=$'Problema 1: elementele dintre minimul si maximul unei liste simplu inlantuite, in ordine inversa\n\n'
    ask=$'Introduceti elementele listei (numere intregi separate prin spatii):\n> '
    check min-first 0 $'3 1 7 2 9 4\n' "$head${ask}Lista: 3 1 7 2 9 4
Minimul este 1 (pozitia 2), maximul este 9 (pozitia 5).
Elementele dintre minim si maxim, in ordine inversa: 9 2 7 1"
    check max-first 0 $'8 -2 5 -6 0\n' "$head${ask}Lista: 8 -2 5 -6 0
Minimul este -6 (pozitia 4), maximul este 8 (pozitia 1).
Elementele dintre minim si maxim, in ordine inversa: -6 5 -2 8"
    # Repeated extremes: the first of each counts.
    check repeats 0 $'5 1 9 1 9\n' "$head${ask}Lista: 5 1 9 1 9
Minimul este 1 (pozitia 2), maximul este 9 (pozitia 3).
Elementele dintre minim si maxim, in ordine inversa: 9 1"
    check all-equal 0 $'4 4 4\n' "$head${ask}Lista: 4 4 4
Minimul este 4 (pozitia 1), maximul este 4 (pozitia 1).
Elementele dintre minim si maxim, in ordine inversa: 4"
    check asks-again 0 $'\n1 x 2\n  2\t-1  \r\n' "$head${ask}Lista nu are niciun element. Incercati din nou.
${ask}Valoarea 'x' nu este un numar intreg. Incercati din nou.
${ask}Lista: 2 -1
Minimul este -1 (pozitia 2), maximul este 2 (pozitia 1).
Elementele dintre minim si maxim, in ordine inversa: -1 2"
    check no-input 1 '' "$head${ask}
Nu s-a citit nicio lista."
    # A long list: no recursion over the elements.
    long=$(seq 1 300000 | tr '\n' ' ')
    out=$(printf '%s\n' "$long" | "$program" | tail -n 1)
    if [[ $out == "Elementele dintre minim si maxim, in ordine inversa: 300000 299999 "* && $out == *" 2 1" ]]; then
        echo "ok   p1/long-list"
    else
        echo "FAIL p1/long-list: ${out:0:120}"
        failures=$((failures + 1))
    fi
    check_pause '3 1 2'
    ;;
p2)
    head=$'Problema 2: numarul format din cifrele numarului dat, in ordine inversa\n\nIntroduceti un numar intreg: '
    check trailing-zeros 0 $'1230\n' "${head}Numarul format din cifrele lui 1230 in ordine inversa este 321."
    check negative 0 $'-450\n' "${head}Numarul format din cifrele lui -450 in ordine inversa este -54."
    check zero 0 $'0\n' "${head}Numarul format din cifrele lui 0 in ordine inversa este 0."
    check leading-zeros-and-plus 0 $'+007\n' "${head}Numarul format din cifrele lui 7 in ordine inversa este 7."
    # The reversal of the largest numbers does not fit in a long long.
    check largest 0 $'9223372036854775807\n' \
        "${head}Numarul format din cifrele lui 9223372036854775807 in ordine inversa este 7085774586302733229."
    check smallest 0 $'-9223372036854775808\n' \
        "${head}Numarul format din cifrele lui -9223372036854775808 in ordine inversa este -8085774586302733229."
    check asks-again 0 $'12a\n1 2\n99999999999999999999\n21\n' "${head}'12a' nu este un numar intreg. Incercati din nou.
Introduceti un numar intreg: '1 2' nu este un numar intreg. Incercati din nou.
Introduceti un numar intreg: '99999999999999999999' nu este un numar intreg. Incercati din nou.
Introduceti un numar intreg: Numarul format din cifrele lui 21 in ordine inversa este 12."
    check no-input 1 '' "${head}
Nu s-a citit niciun numar."
    check_pause 1230
    ;;
p3)
    head=$'Problema 3: conversia in hexazecimal a unui numar intreg citit din fisier\n\n'
    printf '255\r\n' >"$work/numar.txt"
    mkdir -p "$work/prog"
    printf '0 -26 4096\n9223372036854775807\n-9223372036854775808' >"$work/prog/numar.txt"
    printf '12 0x1F\n' >"$work/bad.txt"
    : >"$work/empty.txt"
    # Without an argument the file is numar.txt beside the program, not in the current directory.
    cp "$program" "$work/prog/P3.EXE"
    program=prog/P3.EXE
    check beside-program 0 '' "${head}Numerele din fisierul prog/numar.txt:
0 = 0 (hexazecimal)
-26 = -1A (hexazecimal)
4096 = 1000 (hexazecimal)
9223372036854775807 = 7FFFFFFFFFFFFFFF (hexazecimal)
-9223372036854775808 = -8000000000000000 (hexazecimal)"
    check named 0 '' "${head}Numerele din fisierul numar.txt:
255 = FF (hexazecimal)" numar.txt
    check not-a-number 1 '' "${head}EROARE: In fisierul bad.txt, linia 1, valoarea '0x1F' nu este un numar intreg." bad.txt
    check empty 1 '' "${head}EROARE: Fisierul empty.txt nu contine niciun numar." empty.txt
    check missing 1 '' "${head}EROARE: Fisierul lipsa.txt nu poate fi deschis." lipsa.txt
    check usage 2 '' "${head}Folosire: P3.EXE [fisier]" a b
    check_pause '' numar.txt
    ;;
lab2)
    head=$'Lucrarea 2: elementele fisierului in ordinea data de valorile A si B\n\n'
    mkdir -p "$work/prog"
    cp "$program" "$work/prog/LAB2.EXE"
    program=$work/prog/LAB2.EXE
    printf '5 12 -3 7\r\n2 9 0\r\n4 6 15 1\r\n' >"$work/prog/data.txt"
    # As the window starts it: the bounds as typed, the data file beside the program.
    check groups 0 '' "${head}Fisierul $work/prog/data.txt, A = 2, B = 6
Elementele mai mici decat A: -3 0 1
Elementele din segmentul [A,B]: 5 2 4 6
Restul elementelor: 12 7 9 15" 2 6
    check equal-bounds-leading-zeros 0 '' "${head}Fisierul $work/prog/data.txt, A = 7, B = 7
Elementele mai mici decat A: 5 -3 2 0 4 6 1
Elementele din segmentul [A,B]: 7
Restul elementelor: 12 9 15" 007 7
    printf '3\n1\r2\n' >"$work/mixed.txt"
    check empty-groups 0 '' "${head}Fisierul mixed.txt, A = -5, B = 10
Elementele mai mici decat A: (niciunul)
Elementele din segmentul [A,B]: 3 1 2
Restul elementelor: (niciunul)" -5 10 mixed.txt
    printf '1 2\r\nEROARE: Fisierul "data.txt" nu exista!\r\n' >"$work/saved-error.txt"
    check not-a-number 1 '' "${head}EROARE: In fisierul saved-error.txt, linia 2, valoarea 'EROARE:' nu este un numar intreg." \
        2 6 saved-error.txt
    check order 2 '' "${head}EROARE: Nu e indeplinita conditia A <= B." 10 9
    check bounds-not-numbers 2 '' "${head}EROARE: Valorile A si B trebuie sa fie numere intregi." 2 x
    check usage 2 '' "${head}Folosire: LAB2.EXE A B [fisier]" 2
    check missing-file 1 '' "${head}EROARE: Fisierul lipsa.txt nu poate fi deschis." 2 6 lipsa.txt
    check_pause '' 2 6 mixed.txt
    ;;
*)
    echo "check.sh: unknown program $which" >&2
    exit 2
    ;;
esac

if ((failures > 0)); then
    echo "$failures case(s) of $which failed"
    exit 1
fi
