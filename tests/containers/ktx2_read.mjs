// The reader written apart from razivavu that the KTX2 tests compare with:
// npm's ktx-parse (installed beside this file by scripts/install-deps.sh).
//   node ktx2_read.mjs read FILE...     what it reads in each file, a fact a line
//   node ktx2_read.mjs constant NAME... the value of each of its constants
// Exit 3 when ktx-parse is not installed, so that the tests skip.
import { readFileSync } from "node:fs";

let KTX;
try {
  KTX = await import("ktx-parse");
} catch (e) {
  console.error("ktx-parse is not installed: " + e.message);
  process.exit(3);
}
const [mode, ...args] = process.argv.slice(2);
const out = [];
for (const arg of args) {
  if (mode === "constant") {
    out.push(`${arg} ${KTX[arg]}`);
    continue;
  }
  const c = KTX.read(new Uint8Array(readFileSync(arg)));
  out.push(`${arg}: ${c.vkFormat} ${c.typeSize} ${c.pixelWidth} ${c.pixelHeight} ${c.pixelDepth}` +
    ` ${c.layerCount} ${c.faceCount} ${c.levelCount} ${c.supercompressionScheme}`);
  for (const d of c.dataFormatDescriptor) {
    out.push(`dfd ${d.vendorId} ${d.descriptorType} ${d.versionNumber} ${d.colorModel}` +
      ` ${d.colorPrimaries} ${d.transferFunction} ${d.flags} ${d.texelBlockDimension.join(" ")}` +
      ` ${d.bytesPlane.join(" ")}`);
    for (const s of d.samples)
      out.push(`sample ${s.bitOffset} ${s.bitLength} ${s.channelType}` +
        ` ${s.samplePosition.join(" ")} ${s.sampleLower} ${s.sampleUpper}`);
  }
  out.push(`writer ${c.keyValue.KTXwriter}`);
  for (const level of c.levels)
    out.push(`level ${level.levelData.byteLength} ${level.uncompressedByteLength} ` +
      Buffer.from(level.levelData).toString("hex"));
}
console.log(out.join("\n"));
