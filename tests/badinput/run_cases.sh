#!/usr/bin/env bash
# Malformed input through the real player: each case builds a data folder (or an archive), runs
#   velmora [SCRIPT] --data DATA --headless --capture OUT --fps 2 --duration 1.5
# and checks the exact console line the player prints, its exit status, and whether frames
# were written (the show went on) or not. The cases are listed in README.md beside this file.
# Usage: run_cases.sh VELMORA [CASE...]   (exit 77 when no offscreen GL context is available)
# With BADINPUT_KEEP=DIR each case's standard output, standard error and exit status are kept
# there as CASE.out, CASE.err and CASE.status, for comparing two players' console lines.
set -u
player="$1"; shift
here="$(cd "$(dirname "$0")" && pwd)"
files="$here/files"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
ran=0

# Bigger inputs are made here rather than kept in the tree.
tenMegabyteLine() { head -c 10485760 /dev/zero | tr '\0' 'a'; echo; }
deepNesting() { local i; for ((i = 0; i < 10000; i++)); do printf '<n>'; done; for ((i = 0; i < 10000; i++)); do printf '</n>'; done; echo; }
silentWav() { # 0.1 s of 16-bit stereo silence at 44,100 Hz
    perl -e 'my $bytes = 4410 * 4;
        print "RIFF", pack("V", 36 + $bytes), "WAVEfmt ", pack("V v v V V v v", 16, 1, 2, 44100, 44100 * 4, 4, 16),
            "data", pack("V", $bytes), "\0" x $bytes;'
}
deepChainZen() { # $1 nodes, each hung under the one before: a chain $1 levels deep
    perl -e 'my $n = shift; print pack("V f", 0x4E455A41, 0.1);
        print pack("V V V a64", 0x0A001000, $_, 72, "n"), pack("f18", 0, 1, 0, (0) x 3, (1) x 3, (0) x 9) for 1 .. $n;
        my $links = pack("V", $n - 1); $links .= pack("V V V", $_ - 1, 1, $_) for 2 .. $n;
        print pack("V V V a64", 0x0A009000, 0, length($links), ""), $links;' "$1"
}
randomBytes() { # $1 bytes from a fixed seed, so every run sees the same file
    local i; RANDOM=1
    for ((i = 0; i < $1; i++)); do printf "\\x$(printf %02x $((RANDOM & 255)))"; done
}

folder() { # a data folder whose script adds the effect "item" with its attributes ($1, $2)
    local dir="$work/$case/data"
    mkdir -p "$dir/data/textures" "$dir/data/scenes" "$dir/data/music"
    { cat "$files/show_head.txt"; printf '<add type="%s" name="item"></add>\n<item %s></item>\n' "$1" "$2"
      cat "$files/show_tail.txt"; } >"$dir/data/script.txt"
    echo "$dir"
}
scriptFolder() { # a data folder with script.txt from stdin
    local dir="$work/$case/data"
    mkdir -p "$dir/data"
    cat >"$dir/data/script.txt"
    echo "$dir"
}

# check CASE DATA EXPECTED-LINE STATUS FRAMES(yes|no) [unwatched]
# "unwatched": no --headless and no --capture, with DISPLAY naming a display that does not answer.
check() {
    local name="$1" data="$2" line="$3" status="$4" frames="$5"
    local out="$work/$name/out" log="$work/$name/log"
    ran=$((ran + 1))
    mkdir -p "$work/$name"
    if [ "${6:-}" = unwatched ]; then
        env -u WAYLAND_DISPLAY DISPLAY=:59999 timeout 300 "$player" --data "$data" >"$log.out" 2>"$log.err"
    else
        timeout 300 "$player" ${script:+"$script"} --data "$data" --headless --capture "$out" --fps 2 --duration 1.5 >"$log.out" 2>"$log.err"
    fi
    local got=$?
    cat "$log.out" "$log.err" >"$log"
    if [ -n "${BADINPUT_KEEP:-}" ]; then
        cp "$log.out" "$BADINPUT_KEEP/$name.out"
        cp "$log.err" "$BADINPUT_KEEP/$name.err"
        echo "$got" >"$BADINPUT_KEEP/$name.status"
    fi
    if grep -q "no OSMesa\|OSMesaCreateContext" "$log" && [ "$got" -ne 0 ] && [ $ran -eq 1 ]; then
        echo "badinput: no offscreen context, skipped"; exit 77
    fi
    local problems=()
    [ "$got" -eq "$status" ] || problems+=("exit status $got, expected $status")
    if [ -n "$line" ] && ! grep -qxF -- "$line" "$log"; then problems+=("no line \"$line\""); fi
    local count; count=$(find "$out" -name 'frame-*.png' 2>/dev/null | wc -l)
    [ "$frames" = yes ] && [ "$count" -eq 0 ] && problems+=("no frames: the show did not go on")
    [ "$frames" = no ] && [ "$count" -ne 0 ] && problems+=("$count frames written, expected none")
    if [ ${#problems[@]} -eq 0 ]; then
        echo "ok   $name"
    else
        failures=$((failures + 1))
        echo "FAIL $name: ${problems[*]}"
        head -c 4000 "$log" | sed 's/^/     | /'
    fi
}

script=""  # a SCRIPT argument for the player, when a case sets one
want() { [ -z "$selected" ] || [[ " $selected " == *" $case "* ]]; }
selected="$*"

case=unbalanced_tags
if want; then d=$(scriptFolder <<<"$(cat "$files/show_head.txt")
<bg color=\"ff000000\"></fg>
$(cat "$files/show_tail.txt")"); check $case "$d" 'XML Error </?> not equal to parent <?> ! [fg]' 1 no; fi

case=tag_without_end
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt"; printf '<bg color="ff000000"></bg><bg color="ff000000"'))
    check $case "$d" 'XML Error expected > [<bg color=]' 1 no; fi

case=ten_megabyte_line
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt"; tenMegabyteLine; cat "$files/show_tail.txt"))
    check $case "$d" 'done.' 0 yes; fi

case=deep_nesting
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt"; deepNesting; cat "$files/show_tail.txt"))
    check $case "$d" 'XML Error: nesting deeper than 200 [<n><n><n><]' 1 no; fi

case=include_loop
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt"; echo '<include file="self.txt"></include>'; cat "$files/show_tail.txt"))
    printf '<include file="self.txt"></include>' >"$d/data/self.txt"
    check $case "$d" 'XML Error: include loop at [self.txt]' 1 no; fi

case=truncated_archive
if want; then check $case "$files/truncated.rar" 'Could not decompress' 0 yes; fi

case=lying_archive_sizes
if want; then check $case "$files/lying_sizes.rar" 'Could not decompress' 0 yes; fi

case=tga_short_of_pixels
if want; then d=$(folder picture 'filename="short.tga"'); cp "$files/short_pixels.tga" "$d/data/textures/short.tga"
    check $case "$d" 'Loading effect  1:[item][picture]load[data/textures/short.tga]' 0 yes; fi

case=zen_lying_counts
if want; then d=$(folder 3dscene 'filename="liar.zen"'); cp "$files/lying_counts.zen" "$d/data/scenes/liar.zen"
    check $case "$d" 'Loading effect  1:[item][3dscene]load[data/scenes/liar.zen]' 0 yes; fi

case=dat_index_past_vertices
if want; then d=$(folder teddy 'camera="0"'); cp "$files/bad_index.dat" "$d/data/TEDDY.DAT"; cp "$files/bad_index.dat" "$d/data/TEDHEAD.DAT"
    check $case "$d" 'ERROR: TEDDY.DAT is missing or damaged' 255 no; fi

case=module_random_bytes
if want; then d=$(folder musicplay 'filename="noise.xm"'); randomBytes 4096 >"$d/data/music/noise.xm"
    check $case "$d" 'Loading effect  1:[item][musicplay]load[data/music/noise.xm]' 0 yes; fi

case=run_inside_event
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt"
        echo '<event time="0.2"><run></run><load effect="bg"></load><event time="0.1"><bg color="ff000000"></bg></event></event>'
        cat "$files/show_tail.txt"))
    check $case "$d" 'XML Error: run inside a running show ignored' 0 yes; fi

case=huge_window
if want; then d=$(scriptFolder < <(echo '<demo width="100000" height="100" fullscreen="0">'; tail -n +2 "$files/show_head.txt"; cat "$files/show_tail.txt"))
    check $case "$d" 'XML Error: window size 100000x100 out of range (1 to 16384 a side), using 16384x100' 0 yes; fi

case=include_outside
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt"; echo '<include file="../outside.txt"></include>'; cat "$files/show_tail.txt"))
    echo '<bg color="ffff0000"></bg>' >"$d/outside.txt"
    check $case "$d" "[../outside.txt] points outside the show's data: refused" 0 yes; fi

case=include_absolute
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt"; echo '<include file="/etc/hostname"></include>'; cat "$files/show_tail.txt"))
    check $case "$d" "[/etc/hostname] points outside the show's data: refused" 0 yes; fi

case=include_drive
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt"; echo '<include file="C:\windows\win.ini"></include>'; cat "$files/show_tail.txt"))
    check $case "$d" "[C:\\windows\\win.ini] points outside the show's data: refused" 0 yes; fi

case=flange_speed_infinite
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt"
        echo '<add type="musicplay" name="item"></add><item filename="silence.wav" flange="1" flangespeed="inf"></item>'
        echo '<event time="0"><item><play></play></item></event>'; cat "$files/show_tail.txt"))
    mkdir -p "$d/data/music"; silentWav >"$d/data/music/silence.wav"
    check $case "$d" 'Loading effect  1:[item][musicplay]load[data/music/silence.wav]' 0 yes; fi

case=deep_hierarchy
if want; then d=$(folder 3dscene 'filename="deep.zen"'); deepChainZen 200000 >"$d/data/scenes/deep.zen"
    check $case "$d" 'Loading effect  1:[item][3dscene]load[data/scenes/deep.zen]' 0 yes; fi

case=zen_cut_short
if want; then d=$(folder 3dscene 'filename="cut.zen"'); deepChainZen 3 | head -c 400 >"$d/data/scenes/cut.zen"
    check $case "$d" 'velmora: scene cut.zen is damaged: the chunk at byte 304 runs past the end of the file (400 bytes); the scene keeps what came before it' 0 yes; fi

case=display_unreachable
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt" "$files/show_tail.txt"))
    check $case "$d" 'velmora: no display answers at DISPLAY=:59999: nobody would see the show' 3 no unwatched; fi

hint='velmora: --data takes a show folder that holds data/, or an archive'
case=script_missing
if want; then d=$(scriptFolder </dev/null); rm "$d/data/script.txt"; check $case "$d" "$hint" 1 no; fi

case=data_missing
if want; then check $case "$work/no-such-show" "$hint" 1 no; fi

case=data_without_data_folder
if want; then d=$(scriptFolder </dev/null); mkdir -p "$d/elsewhere"
    check $case "$d/elsewhere" "velmora: cannot read the show from $d/elsewhere: $d/elsewhere holds no data/ folder" 1 no; fi

case=data_names_the_data_folder
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt" "$files/show_tail.txt"))
    check $case "$d/data" 'done.' 0 yes; fi

case=script_is_folder
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt" "$files/show_tail.txt"))
    script="$d"; check $case "$d" "velmora: $d is a folder, not a script of the show" 1 no; script=""; fi

case=unknown_effect_type
if want; then d=$(folder sparkle 'color="ff000000"')
    check $case "$d" 'velmora: effect type [sparkle] does not exist: effect [item] not created' 0 yes; fi

case=include_line_break
if want; then d=$(scriptFolder < <(cat "$files/show_head.txt"; echo '<include file="part.txt"></include>'; cat "$files/show_tail.txt"))
    printf '<bg color="ff000000"></bg>\n' >"$d/data/part.txt"
    check $case "$d" 'velmora: [part.txt] ends with a line break after its last tag: the rest of the script is not read' 1 no; fi

echo "badinput: $ran cases, $failures failed"
[ $failures -eq 0 ]
