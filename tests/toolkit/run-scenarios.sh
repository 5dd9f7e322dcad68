#!/usr/bin/env bash
# Runs the toolkit scenarios under Wine, each with only that scenario's libraries
# in the system folder (where setups install them and the program looks for
# them), each in a process of its own, since a library bound by a call stays
# loaded for the life of the process. The libraries the system folder does not
# get lie beside the program instead, where they must not be found. Then lnkinfo,
# a reader that shares no code with Wine or with us, reads the shortcuts that
# the libraries wrote.
#
# usage: run-scenarios.sh PROGRAM STKIT432 VB5STKIT VB6STKIT ANSWERING WORK_FOLDER
# Needs the Wine test session (scripts/lib/wine-session.sh) to be running.
set -uo pipefail

program=$1 stkit432=$2 vb5stkit=$3 vb6stkit=$4 answering=$5 work=$6
: "${WINEPREFIX:?start the Wine test session first (scripts/lib/wine-session.sh)}" "${WINE:?}"

failures=()
fail() {
    echo "FAILED: $*"
    failures+=("$1")
}

system_folder="$WINEPREFIX/drive_c/windows/system32"
remove_from_system_folder() { rm -f "$system_folder"/{STKIT432,VB5STKIT,VB6STKIT}.DLL; }

# scenario NAME GTEST_FILTER [LIBRARY=FILE_NAME ...]
scenario() {
    local name=$1 filter=$2
    shift 2
    local folder=$work/$name
    mkdir -p "$folder"
    cp "$program" "$folder/toolkit_scenarios.exe"
    remove_from_system_folder
    local library
    for library in "$@"; do cp "${library%%=*}" "$system_folder/${library##*=}"; done
    # Planted beside the program and in the current folder: never to be loaded.
    for library in "${all_three[@]}"; do
        [ -e "$system_folder/${library##*=}" ] || cp "${library%%=*}" "$folder/${library##*=}"
    done
    echo "== scenario $name: system folder: $(cd "$system_folder" && ls STKIT432.DLL VB5STKIT.DLL VB6STKIT.DLL 2>/dev/null | tr '\n' ' ')beside: $(cd "$folder" && ls | tr '\n' ' ')"
    # Started from its own folder, which is also the current folder.
    (cd "$folder" && "$WINE" ./toolkit_scenarios.exe --gtest_filter="$filter" --gtest_brief=1) || fail "$name"
    remove_from_system_folder
}

rm -rf "$work"

# The shortcuts for lnkinfo go into a group of their own in the user's Programs
# folder, removed however this script ends.
lnkinfo_group="Prova stkit lnkinfo"
lnkinfo_folder="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$lnkinfo_group"
trap 'rm -rf "$lnkinfo_folder"; remove_from_system_folder' EXIT
rm -rf "$lnkinfo_folder"

all_three=("$stkit432=STKIT432.DLL" "$vb5stkit=VB5STKIT.DLL" "$vb6stkit=VB6STKIT.DLL")
STKIT_LNKINFO_GROUP=$lnkinfo_group \
    scenario all 'AllThree.*:OurLibraries.*:LibraryBinding.*:IndependentReader.*' "${all_three[@]}"
scenario first 'OnlyFirst.*' "$stkit432=STKIT432.DLL"
scenario second 'OnlySecond.*' "$vb5stkit=VB5STKIT.DLL"
scenario none 'NoneOfThem.*'
scenario answering 'AnsweringLibrary.*' "$answering=STKIT432.DLL"

# check_shortcut FILE TARGET WORKING_FOLDER [ARGUMENTS]
check_shortcut() {
    local file="$lnkinfo_folder/$1" target=$2 working_folder=$3 arguments=${4:-}
    local info
    if ! info=$(lnkinfo "$file" 2>&1); then
        fail "lnkinfo $1" "$info"
        return
    fi
    field() { sed -n "s/^[[:space:]]*$1[[:space:]]*: //p" <<<"$info" | head -n 1; }
    [ "$(field 'Local path')" = "$target" ] || fail "lnkinfo $1: local path" "$info"
    [ "$(field 'Working directory')" = "$working_folder" ] || fail "lnkinfo $1: working directory" "$info"
    [ "$(field 'Command line arguments')" = "$arguments" ] || fail "lnkinfo $1: arguments" "$info"
    echo "lnkinfo read $1"
}

echo "== lnkinfo"
check_shortcut "Catalogo 4.lnk" 'C:\Varenkor\catalogo4.exe' 'C:\Varenkor'
check_shortcut "Catalogo 5.lnk" 'C:\Varenkor\catalogo5.exe' 'C:\Varenkor'
check_shortcut "Catalogo 6.lnk" 'C:\Varenkor\catalogo6.exe' 'C:\Varenkor'
check_shortcut "Con argomenti.lnk" 'C:\Varenkor\catalogo.exe' 'C:\Varenkor' '/aggiorna 7'

if [ ${#failures[@]} -ne 0 ]; then
    echo "failed: ${failures[*]}"
    exit 1
fi
echo "all toolkit scenarios passed"
