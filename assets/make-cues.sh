#!/bin/sh
# Makes the five sound cues: 16-bit PCM mono 44.1 kHz WAV, short and clearly distinct.
# Usage: sh make-cues.sh   (writes the cues beside this script; needs sox)
# No dither (-D), so the same commands always give the same bytes.
set -eu
cd "$(dirname "$0")"
parts=$(mktemp -d)
trap 'rm -rf "$parts"' EXIT
format="-D -r 44100 -b 16 -c 1"

# tone OUT SECONDS SYNTH-ARGS...: one tone with soft edges, 3 dB below full scale.
tone() {
    out=$1
    seconds=$2
    shift 2
    sox -n $format "$out" synth "$seconds" "$@" fade q 0.005 "$seconds" 0.02 gain -3
}

# gap OUT SECONDS: silence.
gap() {
    sox -n $format "$1" trim 0 "$2"
}

# Countdown start: two rising tones.
tone "$parts/rise1.wav" 0.15 sine 880
gap "$parts/gap.wav" 0.06
tone "$parts/rise2.wav" 0.22 sine 1320
sox -D "$parts/rise1.wav" "$parts/gap.wav" "$parts/rise2.wav" Audio-Timer.wav

# Run start: one short high beep.
tone Audio-Start.wav 0.25 sine 1760

# Run stop: two low beeps.
tone "$parts/low.wav" 0.15 sine 440
gap "$parts/gap.wav" 0.08
sox -D "$parts/low.wav" "$parts/gap.wav" "$parts/low.wav" Audio-Stop.wav

# Warning: three quick pips.
tone "$parts/pip.wav" 0.07 sine 1050
gap "$parts/gap.wav" 0.06
sox -D "$parts/pip.wav" "$parts/gap.wav" "$parts/pip.wav" "$parts/gap.wav" "$parts/pip.wav" \
    Audio-Warnung.wav

# Abort: a falling tone.
tone Audio-Abbruch.wav 0.6 sine 1000-250
