// A static file server for the browser build, on 127.0.0.1 only.
//   node tests/web/serve.mjs DIR [--port N] [--page NAME] [--isolate]
// prints the address (of the page NAME in DIR when given) and serves DIR until interrupted. --isolate sends the cross-origin isolation headers
// (COOP/COEP) that SharedArrayBuffer, and so wasm threads, need; the game's pages do not rely on them.
import { createServer } from 'node:http';
import { createReadStream, promises as fs } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.json': 'application/json',
  '.css': 'text/css',
  '.png': 'image/png',
  '.ico': 'image/x-icon',
  '.txt': 'text/plain; charset=utf-8',
};

// Starts serving `root`; resolves to { server, origin } once listening.
export function serve(root, { port = 0, isolate = false, quiet = true } = {}) {
  const base = path.resolve(root);
  const server = createServer(async (req, res) => {
    const finish = (status, text) => {
      res.writeHead(status, { 'Content-Type': 'text/plain; charset=utf-8' });
      res.end(text);
    };
    if (req.method !== 'GET' && req.method !== 'HEAD') return finish(405, 'method not allowed\n');
    let rel;
    try {
      rel = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
    } catch {
      return finish(400, 'bad path\n');
    }
    let file = path.join(base, rel);
    if (file !== base && !file.startsWith(base + path.sep)) return finish(403, 'outside the served folder\n');
    try {
      let st = await fs.stat(file);
      if (st.isDirectory()) {
        file = path.join(file, 'index.html');
        st = await fs.stat(file);
      }
      const headers = {
        'Content-Type': TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream',
        'Content-Length': st.size,
        'Cache-Control': 'no-store',
      };
      if (isolate) {
        headers['Cross-Origin-Opener-Policy'] = 'same-origin';
        headers['Cross-Origin-Embedder-Policy'] = 'require-corp';
      }
      res.writeHead(200, headers);
      if (req.method === 'HEAD') return res.end();
      createReadStream(file).pipe(res);
    } catch {
      if (!quiet) console.log(`404 ${rel}`);
      finish(404, 'not found\n');
    }
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => {
      const { port: bound } = server.address();
      resolve({ server, origin: `http://127.0.0.1:${bound}` });
    });
  });
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const args = process.argv.slice(2);
  let root = null;
  let port = 8080;
  let isolate = false;
  let page = '';
  for (let i = 0; i < args.length; ++i) {
    if (args[i] === '--port') port = Number(args[++i]);
    else if (args[i] === '--page') page = String(args[++i] || '');
    else if (args[i] === '--isolate') isolate = true;
    else if (!root) root = args[i];
    else {
      console.error(`serve.mjs: unexpected argument ${args[i]}`);
      process.exit(2);
    }
  }
  if (!root || !Number.isInteger(port) || port < 0 || port > 65535) {
    console.error('usage: node serve.mjs DIR [--port N] [--page NAME] [--isolate]');
    process.exit(2);
  }
  const { origin } = await serve(root, { port, isolate, quiet: false });
  console.log(`Serving ${path.resolve(root)} at ${origin}/${encodeURI(page)} (Ctrl+C stops)`);
}
