#!/usr/bin/env bash
# Does a recorded GIF play in a browser? Loads it into headless Chromium as an <img> and through
# the browser's own image decoder: it must load at its logical-screen size, hold as many frames
# as ImageMagick counts, loop forever, and its first frame must decode.
#
#   tests/browser/gif-plays.sh FILE.gif WIDTHxHEIGHT
# Prints "PASS gif-plays" or "FAIL gif-plays: ..." and exits accordingly.
set -uo pipefail

gif=$1
want=$2
frames=$(identify "$gif" | wc -l)
work=$(mktemp -d /tmp/pixmote-browser.XXXXXX)
trap '[[ -n "${KEEP:-}" ]] || rm -rf "$work"' EXIT

head=$(cat <<'HTML'
<!doctype html><html><body><pre id="out">pending</pre><script>
const out = document.getElementById("out");
const gifUrl = "data:image/gif;base64,
HTML
)
tail=$(cat <<'HTML'
";
// The browser's own GIF decoder: the image element must load at the logical-screen size, and
// every frame must decode (ImageDecoder composes each frame as the animation would show it).
async function check() {
  const img = new Image();
  await new Promise((resolve, reject) => {
    img.onload = resolve;
    img.onerror = () => reject(new Error("the image did not load"));
    img.src = gifUrl;
  });
  const data = await (await fetch(gifUrl)).arrayBuffer();
  const decoder = new ImageDecoder({data, type: "image/gif"});
  await decoder.tracks.ready;
  const track = decoder.tracks.selectedTrack;
  await decoder.completed;
  // The first frame, decoded and drawn as shown.
  const first = (await decoder.decode({frameIndex: 0})).image;
  const c = new OffscreenCanvas(first.displayWidth, first.displayHeight);
  c.getContext("2d").drawImage(first, 0, 0);
  const shown = first.displayWidth + "x" + first.displayHeight;
  first.close();
  out.textContent = "size=" + img.naturalWidth + "x" + img.naturalHeight + " frames=" +
      track.frameCount + " first=" + shown + " loop=" + (track.repetitionCount === Infinity);
}
check().catch(e => { out.textContent = "error=" + e; });
</script></body></html>
HTML
)
{
    printf '%s' "$head"
    base64 -w0 "$gif"
    printf '%s\n' "$tail"
} >"$work/page.html"

# answered: one run of headless Chromium; its answer in result. False when the page was dumped
# before the decoder had answered ("pending", as happens now and then): such a run says nothing
# about the file.
answered() {
    local dom
    rm -rf "$work/profile"
    dom=$(timeout 60 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$work/profile" --virtual-time-budget=600000 --dump-dom \
        "file://$work/page.html" 2>"$work/chromium.err")
    result=$(sed -n 's|.*<pre id="out">\([^<]*\)</pre>.*|\1|p' <<<"$dom" | head -n 1)
    [[ "$result" != pending && -n "$result" ]]
}
# shellcheck source=tests/wine/lib/poll.sh
source "$(dirname "${BASH_SOURCE[0]}")/../wine/lib/poll.sh"
result=""
POLL_INTERVAL=1 poll_until 120 answered
if [[ "$result" =~ ^size=${want}\ frames=([0-9]+)\ first=${want}\ loop=true$ ]] &&
    ((BASH_REMATCH[1] == frames)); then
    echo "PASS gif-plays ($result)"
    exit 0
fi
echo "FAIL gif-plays: got '${result:-nothing}' for $gif (want size=$want frames=$frames first=$want loop=true)"
tail -n 5 "$work/chromium.err" >&2
exit 1
