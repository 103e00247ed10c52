#!/usr/bin/env bash
# Generates every sound of Vorlith into assets/sounds/ (or the folder given as
# the first argument). Everything is synthesised here: the game cues with sox,
# the chatter sounds with espeak-ng voices shaped by sox. Output: mono, 16-bit
# PCM, 22050 Hz, trimmed. sox runs in repeatable mode (-R) and the scattered
# timings come from seeded awk, so a run with the same sox, awk and espeak-ng
# versions gives the same files.
#
# Needs the Debian packages sox and espeak-ng.
set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$here/../../assets/sounds}
mkdir -p "$out"
out=$(cd "$out" && pwd)

for tool in sox espeak-ng; do
    command -v "$tool" >/dev/null || { echo "make_sounds: $tool is missing (apt-get install sox espeak-ng)" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

RATE=22050
# Intermediate files are 32-bit float at the final rate so that mixing and
# filtering never clip before the last normalisation.
s() { sox -R -V1 "$@"; }
raw() { s -n -r $RATE -b 32 -e floating-point "$@"; }
calc() { awk "BEGIN { printf \"%.4f\", $1 }"; }

# finish IN NAME LEVEL_DB: normalise the peak to LEVEL_DB, trim the silence at
# both ends, soften both ends (no clicks) and write the final mono 16-bit file.
finish() {
    local in=$1 name=$2 level=${3:--1}
    s "$in" -c 1 "$tmp/trimmed.wav" norm "$level" \
        silence 1 0.002 0.2% reverse silence 1 0.01 0.2% reverse
    s "$tmp/trimmed.wav" -r $RATE -c 1 -b 16 -e signed-integer "$out/$name.wav" \
        fade q 0.002 "$(soxi -D "$tmp/trimmed.wav")" 0.02 dither -s
}

# speak FILE VOICE PITCH SPEED TEXT: espeak-ng into a float file.
speak() {
    local file=$1 voice=$2 pitch=$3 speed=$4 text=$5
    espeak-ng -v "$voice" -p "$pitch" -s "$speed" -w "$tmp/speak.wav" "$text"
    s "$tmp/speak.wav" -r $RATE -b 32 -e floating-point "$file" \
        silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse
}

# bell FILE FREQ DUR: a soft bell: the fundamental with two quieter partials,
# dying away over DUR.
bell() {
    raw "$1" synth "$3" sine "$2" sine "$(calc "$2*2.0")" sine "$(calc "$2*3.01")" \
        remix 1v0.7,2v0.2,3v0.08 fade q 0.006 fade l 0 "$3" "$(calc "$3-0.01")"
}

# scatter SEED COUNT LO1 HI1 LO2 HI2: COUNT lines of two numbers drawn evenly
# from [LO1, HI1) and [LO2, HI2), the same for the same SEED on every run.
scatter() {
    awk -v seed="$1" -v n="$2" -v a="$3" -v b="$4" -v c="$5" -v d="$6" \
        'BEGIN { srand(seed); for (i = 0; i < n; i++) printf "%.4f %.4f\n", a + rand() * (b - a), c + rand() * (d - c) }'
}

# at FILE SECONDS: the file delayed by SECONDS (for mixing notes into chords
# and phrases).
at() { echo "|sox -R -V1 $1 -p pad $2"; }

########################################################################
# Game cues
########################################################################

# tick: a short wooden click.
raw "$tmp/a.wav" synth 0.035 sine 1850 fade q 0.001 0.035 0.032
raw "$tmp/b.wav" synth 0.02 whitenoise bandpass 3000 1.5q fade q 0.0005 0.02 0.019
s -m "$tmp/a.wav" -v 0.35 "$tmp/b.wav" "$tmp/tick.wav"
finish "$tmp/tick.wav" tick -6

# puttile: a soft tap of a tile on the board.
raw "$tmp/a.wav" synth 0.09 pluck 700 fade q 0.001 0.09 0.08
raw "$tmp/b.wav" synth 0.012 brownnoise lowpass 2500 fade q 0.0005 0.012 0.011
s -m "$tmp/a.wav" -v 0.6 "$tmp/b.wav" "$tmp/puttile.wav"
finish "$tmp/puttile.wav" puttile -4

# clear: a short downward swish.
raw "$tmp/clear.wav" synth 0.22 pinknoise sine 900-250 remix 1v0.6,2v0.25 \
    bandpass 1400 1.2q fade h 0.03 0.22 0.15
finish "$tmp/clear.wav" clear -5

# shuffle: tiles rattling across the board.
parts=()
t=0
i=0
while read -r f gap; do
    i=$((i + 1))
    raw "$tmp/c$i.wav" synth 0.05 pluck "$f" fade q 0.001 0.05 0.045
    parts+=("$(at "$tmp/c$i.wav" "$t")")
    t=$(calc "$t + $gap")
done < <(scatter 7 11 500 1400 0.025 0.06)
raw "$tmp/n.wav" synth "$t" brownnoise bandpass 1800 1q fade h 0.05 "$t" 0.1
s -m "${parts[@]}" -v 0.25 "$tmp/n.wav" "$tmp/shuffle.wav"
finish "$tmp/shuffle.wav" shuffle -4

# goodword: a rising three-note chime.
bell "$tmp/g1.wav" 783.99 0.35
bell "$tmp/g2.wav" 1046.50 0.35
bell "$tmp/g3.wav" 1318.51 0.6
s -m "$(at "$tmp/g1.wav" 0)" "$(at "$tmp/g2.wav" 0.07)" "$(at "$tmp/g3.wav" 0.14)" "$tmp/goodword.wav" \
    reverb 25 50 40
finish "$tmp/goodword.wav" goodword -3

# badword: a low, short buzz that falls a little.
raw "$tmp/badword.wav" synth 0.32 square 116-104 square 110-98 remix 1v0.5,2v0.5 \
    lowpass 900 fade q 0.01 0.32 0.12
finish "$tmp/badword.wav" badword -5

# entered: a two-note door chime.
bell "$tmp/e1.wav" 659.25 0.5
bell "$tmp/e2.wav" 523.25 0.8
s -m "$(at "$tmp/e1.wav" 0)" "$(at "$tmp/e2.wav" 0.22)" "$tmp/entered.wav" reverb 30 50 50
finish "$tmp/entered.wav" entered -4

# turn (classic): three plucked notes going up, then a soft chord.
raw "$tmp/turn.wav" synth 0.7 pluck C5 pluck E5 pluck G5 pluck C6 \
    delay 0 0.09 0.18 0.27 remix - fade q 0.002 0.97 0.4 reverb 20 50 40
finish "$tmp/turn.wav" turn -3

# turnnew: a rising sweep that opens into a bright chord.
raw "$tmp/a.wav" synth 0.3 sine 300-1200 fade q 0.05 0.3 0.05
bell "$tmp/b1.wav" 1046.50 0.7
bell "$tmp/b2.wav" 1318.51 0.7
bell "$tmp/b3.wav" 1567.98 0.7
s -m -v 0.35 "$(at "$tmp/a.wav" 0)" "$(at "$tmp/b1.wav" 0.28)" "$(at "$tmp/b2.wav" 0.28)" "$(at "$tmp/b3.wav" 0.28)" \
    "$tmp/turnnew.wav" reverb 30 50 50
finish "$tmp/turnnew.wav" turnnew -3

# roundover: three falling notes.
raw "$tmp/roundover.wav" synth 0.6 pluck G5 pluck E5 pluck C5 \
    delay 0 0.12 0.24 remix - fade q 0.002 0.84 0.3 reverb 20 50 40
finish "$tmp/roundover.wav" roundover -3

# timeup: two gentle beeps.
raw "$tmp/a.wav" synth 0.14 sine 880 sine 1760 remix 1v0.8,2v0.15 fade q 0.01 0.14 0.05
s -m "$(at "$tmp/a.wav" 0)" "$(at "$tmp/a.wav" 0.2)" "$tmp/timeup.wav"
finish "$tmp/timeup.wav" timeup -4

# gameover: a short fanfare, C E G then a held C major chord.
raw "$tmp/f1.wav" synth 0.16 sawtooth C5 sine C5 remix 1v0.3,2v0.7 lowpass 2500 fade q 0.01 0.16 0.04
raw "$tmp/f2.wav" synth 0.16 sawtooth E5 sine E5 remix 1v0.3,2v0.7 lowpass 2500 fade q 0.01 0.16 0.04
raw "$tmp/f3.wav" synth 0.16 sawtooth G5 sine G5 remix 1v0.3,2v0.7 lowpass 2500 fade q 0.01 0.16 0.04
raw "$tmp/f4.wav" synth 0.9 sawtooth C5 sawtooth E5 sawtooth G5 sine C6 remix - lowpass 2200 \
    tremolo 5 15 fade q 0.02 0.9 0.5
s -m "$(at "$tmp/f1.wav" 0)" "$(at "$tmp/f2.wav" 0.15)" "$(at "$tmp/f3.wav" 0.3)" "$(at "$tmp/f4.wav" 0.45)" \
    "$tmp/gameover.wav" reverb 30 50 60
finish "$tmp/gameover.wav" gameover -3

########################################################################
# Chatter sounds (wave1 .. wave20), each after its menu caption
########################################################################

# 1 Doh
speak "$tmp/w.wav" en-us+m3 25 130 "Doh!"
finish "$tmp/w.wav" wave1 -1

# 2 Cough: two dry bursts of breathy noise.
raw "$tmp/k.wav" synth 0.2 brownnoise pinknoise remix 1v0.7,2v0.3 bandpass 700 0.8q \
    overdrive 6 fade q 0.005 0.2 0.15
s -m "$(at "$tmp/k.wav" 0)" "$(at "$tmp/k.wav" 0.3)" "$tmp/cough.wav"
finish "$tmp/cough.wav" wave2 -2

# 3 Hello
speak "$tmp/w.wav" en-us 50 150 "Hello!"
finish "$tmp/w.wav" wave3 -1

# 4 Thank You
speak "$tmp/w.wav" en-us+f2 55 150 "Thank you!"
finish "$tmp/w.wav" wave4 -1

# 5 Where have you been?
speak "$tmp/w.wav" en-us+m2 45 150 "Where have you been?"
finish "$tmp/w.wav" wave5 -1

# 6 Snoring: a rattling low breath in, then a soft whistle out.
raw "$tmp/in.wav" synth 0.8 brownnoise sawtooth 38 remix 1v0.5,2v0.5 lowpass 500 \
    tremolo 38 80 fade h 0.3 0.8 0.2
raw "$tmp/out.wav" synth 0.6 pinknoise sine 900-700 remix 1v0.25,2v0.1 lowpass 2000 fade h 0.1 0.6 0.35
s "$tmp/in.wav" "$tmp/out.wav" "$tmp/snore.wav"
finish "$tmp/snore.wav" wave6 -3

# 7 Sneezing: a rising "ah... ah..." and a sharp "choo" of noise.
speak "$tmp/ah.wav" en-us+f1 60 150 "ah, ahh"
raw "$tmp/choo.wav" synth 0.3 whitenoise highpass 1500 fade q 0.003 0.3 0.25
speak "$tmp/ch.wav" en-us+f1 80 170 "choo!"
s -m "$tmp/ch.wav" -v 0.5 "$tmp/choo.wav" "$tmp/choo3.wav"
s "$tmp/ah.wav" "$tmp/choo3.wav" "$tmp/sneeze.wav"
finish "$tmp/sneeze.wav" wave7 -1

# 8 Sorry
speak "$tmp/w.wav" en-us+f3 45 140 "Sorry!"
finish "$tmp/w.wav" wave8 -1

# 9 Welcome
speak "$tmp/w.wav" en-us+m1 55 145 "Welcome!"
finish "$tmp/w.wav" wave9 -1

# 10 Yeehaa
speak "$tmp/w.wav" en-us+m7 85 150 "Yee haaa!"
finish "$tmp/w.wav" wave10 -1

# 11 Yippee
speak "$tmp/w.wav" en-us+f4 90 160 "Yippee!"
finish "$tmp/w.wav" wave11 -1

# 12 Oh No
speak "$tmp/w.wav" en-us+m3 40 120 "Oh no!"
finish "$tmp/w.wav" wave12 -1

# 13 Applause: a crowd of short claps at scattered times.
raw "$tmp/clap.wav" synth 0.05 whitenoise bandpass 1400 1.6q fade q 0.001 0.05 0.045
raw "$tmp/clap2.wav" synth 0.05 whitenoise bandpass 2200 1.6q fade q 0.001 0.05 0.045
parts=()
i=0
while read -r t _; do
    i=$((i + 1))
    if ((i % 2)); then parts+=("$(at "$tmp/clap.wav" "$t")"); else parts+=("$(at "$tmp/clap2.wav" "$t")"); fi
done < <(scatter 13 36 0 1.3 0 0)
s -m "${parts[@]}" "$tmp/claps.wav"
s "$tmp/claps.wav" "$tmp/applause.wav" fade q 0.05 "$(soxi -D "$tmp/claps.wav")" 0.4 reverb 40 50 60 norm -1
finish "$tmp/applause.wav" wave13 -3

# 14 Honk: a two-tone horn, twice.
raw "$tmp/h.wav" synth 0.3 sawtooth 392 sawtooth 494 remix 1v0.5,2v0.5 lowpass 1800 overdrive 8 fade q 0.01 0.3 0.05
s -m "$(at "$tmp/h.wav" 0)" "$(at "$tmp/h.wav" 0.38)" "$tmp/honk.wav"
finish "$tmp/honk.wav" wave14 -5

# 15 Oooh
speak "$tmp/w.wav" en-us+f2 70 90 "Ooooooh!"
finish "$tmp/w.wav" wave15 -1

# 16 Razzberry: a wobbling low buzz of the lips.
raw "$tmp/razz.wav" synth 0.9 sawtooth 85 brownnoise remix 1v0.7,2v0.3 lowpass 1200 \
    tremolo 24 70 overdrive 10 fade q 0.02 0.9 0.2
finish "$tmp/razz.wav" wave16 -4

# 17 Cheer: several voices shouting over a little applause.
speak "$tmp/c1.wav" en-us+m3 40 170 "Hooray!"
speak "$tmp/c2.wav" en-us+f3 75 175 "Hooray!"
speak "$tmp/c3.wav" en-us+m6 60 165 "Yeah!"
s -m "$(at "$tmp/c1.wav" 0)" "$(at "$tmp/c2.wav" 0.06)" "$(at "$tmp/c3.wav" 0.12)" -v 0.4 "$tmp/applause.wav" \
    "$tmp/cheer.wav" trim 0 1.5 fade q 0 1.5 0.4
finish "$tmp/cheer.wav" wave17 -1

# 18 Woman Laughing
speak "$tmp/w.wav" en-us+f4 85 190 "ha ha ha ha ha!"
finish "$tmp/w.wav" wave18 -1

# 19 Man Laughing
speak "$tmp/w.wav" en-us+m3 15 170 "ho ho ho ho!"
finish "$tmp/w.wav" wave19 -1

# 20 Crying: a wavering "waah".
speak "$tmp/w.wav" en-us+f2 70 110 "waaah boohoo"
s "$tmp/w.wav" "$tmp/cry.wav" tremolo 6 40
finish "$tmp/cry.wav" wave20 -1

# The resource list that compiles the sounds into the program (":/sounds/<name>.wav").
{
    echo '<!DOCTYPE RCC>'
    echo '<RCC version="1.0">'
    echo '    <qresource prefix="/sounds">'
    for f in "$out"/*.wav; do
        echo "        <file>$(basename "$f")</file>"
    done
    echo '    </qresource>'
    echo '</RCC>'
} > "$out/sounds.qrc"

echo "make_sounds: wrote $(ls "$out"/*.wav | wc -l) files to $out ($(du -ch "$out"/*.wav | tail -1 | cut -f1))"
