// Ordered (Bayer) dithering and packing of a 576 x 432 image by the receipt
// printer encoder package, timed the same way as the C++ side. Prints the
// median milliseconds of the repetitions on one line: "median_ms <value>".
import ReceiptPrinterEncoder from '@point-of-sale/receipt-printer-encoder';
import ImageData from '@canvas/image-data';

const width = 576, height = 432;
const repetitions = Number(process.argv[2] || 15);

// The same test picture as the C++ side: a horizontal grey ramp with a diagonal band.
const rgba = new Uint8ClampedArray(width * height * 4);
for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
        const i = (y * width + x) * 4;
        const level = ((x * 255) / (width - 1) + ((x + y) % 64 < 8 ? 128 : 0)) % 256 | 0;
        rgba[i] = rgba[i + 1] = rgba[i + 2] = level;
        rgba[i + 3] = 255;
    }
}
const image = new ImageData(rgba, width, height);

const times = [];
let bytes = 0;
for (let r = 0; r < repetitions + 2; r++) {
    const start = process.hrtime.bigint();
    const encoder = new ReceiptPrinterEncoder({ language: 'esc-pos' });
    const result = encoder.image(image, width, height, 'bayer').encode();
    const ms = Number(process.hrtime.bigint() - start) / 1e6;
    bytes = result.length;
    if (r >= 2) times.push(ms);  // two warm-up rounds
}
times.sort((a, b) => a - b);
console.log(`bytes ${bytes}`);
console.log(`median_ms ${times[Math.floor(times.length / 2)]}`);
