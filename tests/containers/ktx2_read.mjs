// The independent reader of the KTX2 tests: npm's ktx-parse (installed into
// tests/containers/node_modules by scripts/install-deps.sh) reads each file
// and prints what it found, one fact a line, for the tests to compare with
// what was written.
//
//   node ktx2_read.mjs read FILE...       the header, descriptor, KTXwriter
//                                          and every level, per file
//   node ktx2_read.mjs constant NAME...    the value ktx-parse gives NAME
//                                          ("undefined" when it has none)
//
// Exit 3 when ktx-parse is not installed, so that the tests can skip.
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
const hex = (bytes) => Buffer.from(bytes).toString("hex");

if (mode === "constant") {
  for (const name of args) out.push(`${name} ${KTX[name]}`);
} else if (mode === "read") {
  for (const file of args) {
    const c = KTX.read(new Uint8Array(readFileSync(file)));
    out.push(`file ${file}`);
    out.push(`vkFormat ${c.vkFormat}`);
    out.push(`typeSize ${c.typeSize}`);
    out.push(`pixels ${c.pixelWidth} ${c.pixelHeight} ${c.pixelDepth}`);
    out.push(`layers ${c.layerCount} faces ${c.faceCount}`);
    out.push(`levelCount ${c.levelCount}`);
    out.push(`supercompression ${c.supercompressionScheme}`);
    for (const d of c.dataFormatDescriptor) {
      out.push(
        `dfd ${d.vendorId} ${d.descriptorType} ${d.versionNumber} model ${d.colorModel}` +
          ` primaries ${d.colorPrimaries} transfer ${d.transferFunction} flags ${d.flags}` +
          ` block ${d.texelBlockDimension.join(" ")} planes ${d.bytesPlane.join(" ")}`,
      );
      for (const s of d.samples)
        out.push(
          `sample ${s.bitOffset} ${s.bitLength} ${s.channelType} ` +
            `${s.samplePosition.join(" ")} ${s.sampleLower} ${s.sampleUpper}`,
        );
    }
    const writer = c.keyValue.KTXwriter;
    out.push(`writer ${typeof writer === "string" ? writer : "(none)"}`);
    c.levels.forEach((level, k) =>
      out.push(
        `level ${k} ${level.levelData.byteLength} ${level.uncompressedByteLength} ` +
          hex(level.levelData),
      ),
    );
  }
} else {
  console.error("usage: node ktx2_read.mjs read FILE... | constant NAME...");
  process.exit(2);
}
console.log(out.join("\n"));
