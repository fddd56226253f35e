// Writes the page as one file: the styles, the scripts (bundled by esbuild)
// and the WebAssembly module (base64) inline, so that it works opened from
// disk with nothing fetched.
//
//   node build.mjs MODULE.wasm VERSION OUT.html
import { readFileSync, writeFileSync } from "node:fs";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import * as esbuild from "esbuild";

const [wasmPath, version, out] = process.argv.slice(2);
if (!out) {
  console.error("usage: node build.mjs MODULE.wasm VERSION OUT.html");
  process.exit(2);
}
const here = dirname(fileURLToPath(import.meta.url));
const bundle = await esbuild.build({
  entryPoints: [join(here, "src", "app.js")],
  bundle: true,
  format: "iife",
  minify: true,
  write: false,
  target: ["es2020"],
  loader: { ".csv": "text" },
  legalComments: "inline",
});
const script = bundle.outputFiles[0].text.replace(/<\/script/gi, "<\\/script");
const wasm = readFileSync(wasmPath).toString("base64");
const page = readFileSync(join(here, "src", "index.html"), "utf8")
  .replace("/*STYLE*/", () => readFileSync(join(here, "src", "style.css"), "utf8"))
  .replace("/*WASM*/", () => `window.PELLUX_WASM="${wasm}";window.PELLUX_VERSION=${JSON.stringify(version)};`)
  .replace("/*SCRIPT*/", () => script);
writeFileSync(out, page);
console.log(`${out}: ${page.length} bytes`);
