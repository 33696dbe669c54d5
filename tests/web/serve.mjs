// A small static web server for looking at the page as a site serves it:
// the files of one folder on 127.0.0.1, compressed with gzip for a browser
// that accepts it.  `node serve.mjs FOLDER [PORT]` serves until stopped;
// the page audit starts it from its own script.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';
import { pathToFileURL } from 'node:url';
import { gzipSync } from 'node:zlib';

const types = { '.html': 'text/html; charset=utf-8', '.svg': 'image/svg+xml' };

export function serve(folder, port = 0)
{
	const server = createServer(async (request, response) => {
		const path = normalize(decodeURIComponent(new URL(request.url, 'http://host').pathname));
		let body;
		try {
			body = await readFile(join(folder, path));
		} catch {
			response.writeHead(404, { 'content-type': 'text/plain' }).end('not found\n');
			return;
		}
		const headers = {
			'content-type': types[extname(path)] ?? 'application/octet-stream',
			vary: 'accept-encoding',
		};
		if (/\bgzip\b/.test(request.headers['accept-encoding'] ?? '')) {
			body = gzipSync(body, { level: 9 });
			headers['content-encoding'] = 'gzip';
		}
		response.writeHead(200, headers).end(body);
	});
	return new Promise(resolve => server.listen(port, '127.0.0.1', () => resolve(server)));
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
	const server = await serve(process.argv[2], Number(process.argv[3] ?? 8000));
	console.log(`serving ${process.argv[2]} at http://127.0.0.1:${server.address().port}/`);
}
