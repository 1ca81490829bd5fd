#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Synthesises the demo's soundtrack from its note list with sox and encodes it as MP3 with lame.
# Usage: make_soundtrack.sh SOX LAME NOTES OUT.mp3
set -euo pipefail

if [[ $# -ne 4 ]]; then
    echo "usage: $0 SOX LAME NOTES OUT.mp3" >&2
    exit 2
fi
sox=$1 lame=$2 notes=$3 out=$4
rate=44100

work=$(mktemp -d "${TMPDIR:-/tmp}/kvq-soundtrack-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The note list becomes one line per voice: name, volume, length in seconds and the sox effect
# chains that play its notes one after another (chains joined by ':' run in sequence).
awk -v rate="$rate" '
function fail(message) { printf "%s:%d: %s\n", FILENAME, FNR, message > "/dev/stderr"; failed = 1; exit 1 }
function semitones(note,    letter, rest, offset, octave) {
    letter = substr(note, 1, 1); rest = substr(note, 2)
    if (!(letter in base)) fail("not a note: " note)
    offset = base[letter]
    if (substr(rest, 1, 1) == "#") { offset++; rest = substr(rest, 2) }
    else if (substr(rest, 1, 1) == "b") { offset--; rest = substr(rest, 2) }
    if (rest !~ /^[0-8]$/) fail("not a note: " note)
    octave = rest + 0
    return offset + (octave - 4) * 12
}
function play(token,    parts, seconds, fade, chain, pitch) {
    if (token in patterns) { expand(patterns[token]); return }
    if (split(token, parts, "/") != 2 || parts[2] !~ /^[0-9]*\.?[0-9]+$/) fail("not NOTE/BEATS: " token)
    seconds = parts[2] * 60 / tempo
    fade = seconds / 2 < 0.06 ? seconds / 2 : 0.06
    if (parts[1] == "-") {
        chain = sprintf("synth %.6f sine 0 vol 0", seconds)
    } else if (sound == "kick" || sound == "hat") {
        if (parts[1] != "x") fail(sound " takes x for a hit, not " parts[1])
        if (sound == "kick") chain = sprintf("synth %.6f sine 160:38 fade q 0.002 %.6f %.6f", seconds, seconds, seconds * 0.9)
        else chain = sprintf("synth %.6f whitenoise fade q 0.001 %.6f %.6f highpass 7000", seconds, seconds, seconds * 0.9)
    } else {
        pitch = semitones(parts[1])
        chain = sprintf("synth %.6f %s %%%d fade q 0.005 %.6f %.6f", seconds, sound, pitch, seconds, fade)
    }
    chains[voice] = chains[voice] (chains[voice] == "" ? "" : " : ") chain
    span[voice] += seconds
}
function expand(text,    tokens, count, i) {
    count = split(text, tokens, /[ \t]+/)
    for (i = 1; i <= count; i++) if (tokens[i] != "") play(tokens[i])
}
BEGIN {
    split("C -9 D -7 E -5 F -4 G -2 A 0 B 2", pairs, " ")
    for (i = 1; i < 14; i += 2) base[pairs[i]] = pairs[i + 1]
    tempo = 0; voices = 0
}
{ sub(/#.*/, "") }
NF == 0 { next }
$1 == "tempo" { tempo = $2 + 0; next }
$1 == "pattern" { name = $2; $1 = ""; $2 = ""; patterns[name] = $0; next }
$1 == "voice" {
    if (tempo <= 0) fail("voice before tempo")
    voice = $2; sound = $3; volume[voice] = $4; order[++voices] = voice; sounds[voice] = sound
    if (sound !~ /^(sine|square|triangle|sawtooth|pluck|kick|hat)$/) fail("unknown sound " sound)
    next
}
{
    if (voice == "") fail("notes before the first voice")
    times = 1
    if ($1 ~ /^[0-9]+x$/) { times = substr($1, 1, length($1) - 1) + 0; $1 = "" }
    for (t = 0; t < times; t++) expand($0)
}
END {
    if (failed) exit 1
    if (voices == 0) { print "no voices" > "/dev/stderr"; exit 1 }
    for (i = 1; i <= voices; i++) {
        v = order[i]
        if (span[v] != span[order[1]]) {
            printf "voice %s lasts %.3f s, voice %s %.3f s\n", v, span[v], order[1], span[order[1]] > "/dev/stderr"
            exit 1
        }
        printf "%s\t%s\t%.6f\t%s\n", v, volume[v], span[v], chains[v]
    }
}' "$notes" > "$work/voices"

mix=()
while IFS=$'\t' read -r name volume seconds chain; do
    # Word splitting of the chain is wanted: it is a list of sox arguments without spaces inside.
    # shellcheck disable=SC2086
    "$sox" -V1 -r "$rate" -c 1 -n -b 16 "$work/$name.wav" $chain
    mix+=(-v "$volume" "$work/$name.wav")
    length=$seconds
done < "$work/voices"

# The mix is cut to the written length, so the reverb's tail cannot make it outlast the picture.
# -G lowers the level wherever the voices together, or the reverb, would clip.
"$sox" -V1 -G -m "${mix[@]}" -b 16 "$work/mix.wav" reverb 25 50 60 trim 0 "$length" gain -n -1
"$lame" --quiet -b 128 "$work/mix.wav" "$work/out.mp3"
mv -f "$work/out.mp3" "$out.tmp.$$"
mv -f "$out.tmp.$$" "$out"
