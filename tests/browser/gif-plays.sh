#!/usr/bin/env bash
# Does a recorded GIF play in a browser? Loads it into headless Chromium as an <img>, checks that
# the browser decodes it at its logical-screen size, and samples the shown picture over a few
# seconds: a recording whose screen changed must show more than one picture.
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
  // The first and the last frame as shown: the last one is composed from every image before it.
  const seen = new Set();
  for (const i of [0, track.frameCount - 1]) {
    const frame = (await decoder.decode({frameIndex: i})).image;
    const c = new OffscreenCanvas(frame.displayWidth, frame.displayHeight);
    const g = c.getContext("2d");
    g.drawImage(frame, 0, 0);
    const d = g.getImageData(0, 0, c.width, c.height).data;
    let h = 0;
    for (let k = 0; k < d.length; k += 4) h = (h * 31 + d[k]) >>> 0;
    seen.add(h);
    frame.close();
  }
  out.textContent = "size=" + img.naturalWidth + "x" + img.naturalHeight + " frames=" +
      track.frameCount + " pictures=" + seen.size + " loop=" + (track.repetitionCount === Infinity);
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

dom=$(timeout 60 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --virtual-time-budget=600000 --dump-dom \
    "file://$work/page.html" 2>"$work/chromium.err")
result=$(sed -n 's|.*<pre id="out">\([^<]*\)</pre>.*|\1|p' <<<"$dom" | head -n 1)
if [[ "$result" =~ ^size=${want}\ frames=([0-9]+)\ pictures=2\ loop=true$ ]] &&
    ((BASH_REMATCH[1] == frames)); then
    echo "PASS gif-plays ($result)"
    exit 0
fi
echo "FAIL gif-plays: got '${result:-nothing}' for $gif (want size=$want frames=$frames pictures=2 loop=true)"
tail -n 5 "$work/chromium.err" >&2
exit 1
