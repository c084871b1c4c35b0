// The snap7 S7 server used as a real controller by the transport tests and benchmark.
// Usage: node s7_server.js [address] [--count]  (default 0.0.0.0, port 102; --count: markers 0..3
// hold a 32-bit counter that advances every 200 ms, for live data in the demo). Prints "ready" once listening;
// stops cleanly on SIGTERM or when stdin closes. A line "poke AREA OFFSET HEX" on stdin (AREA one of
// db1, db10, mk, pe, pa) writes those bytes into the area and prints "poked".
'use strict';
const snap7 = require('node-snap7');

const server = new snap7.S7Server();
const areas = {
  db1: Buffer.alloc(256),
  db10: Buffer.alloc(256),
  mk: Buffer.alloc(256),
  pe: Buffer.alloc(256),
  pa: Buffer.alloc(256),
};
// Known contents so reads can be checked without a prior write.
for (let i = 0; i < 256; ++i) {
  areas.db10[i] = i;
  areas.pe[i] = 255 - i;
}
server.RegisterArea(server.srvAreaDB, 1, areas.db1);
server.RegisterArea(server.srvAreaDB, 10, areas.db10);
server.RegisterArea(server.srvAreaMK, areas.mk);
server.RegisterArea(server.srvAreaPE, areas.pe);
server.RegisterArea(server.srvAreaPA, areas.pa);

const address = process.argv[2] || '0.0.0.0';
if (process.argv.includes('--count')) {
  let count = 0;
  setInterval(() => {
    areas.mk.writeUInt32BE(++count >>> 0, 0);
    server.SetArea(server.srvAreaMK, areas.mk);
  }, 200);
}
server.StartTo(address, (err) => {
  if (err) {
    console.error('start failed: ' + server.ErrorText(err));
    process.exit(1);
  }
  console.log('ready');
});

function stop() {
  server.Stop(() => process.exit(0));
}
process.on('SIGTERM', stop);
process.on('SIGINT', stop);
// The demo runs it detached (--count): it ends on SIGTERM only.
const attached = !process.argv.includes('--count');
if (attached) process.stdin.on('end', stop);
const codes = {
  db1: [server.srvAreaDB, 1],
  db10: [server.srvAreaDB, 10],
  mk: [server.srvAreaMK],
  pe: [server.srvAreaPE],
  pa: [server.srvAreaPA],
};
let pending = '';
if (attached) process.stdin.on('data', (chunk) => {
  pending += chunk.toString();
  let eol;
  while ((eol = pending.indexOf('\n')) >= 0) {
    const [verb, area, offset, hex] = pending.slice(0, eol).trim().split(/\s+/);
    pending = pending.slice(eol + 1);
    if (verb !== 'poke' || !areas[area] || !hex) continue;
    Buffer.from(hex, 'hex').copy(areas[area], Number(offset));
    server.SetArea(...codes[area], areas[area]);
    console.log('poked');
  }
});
if (attached) process.stdin.resume();
