// snap7's own client doing the benchmark's reads: one 4-byte item from DB 10, N times, synchronous.
// Usage: node snap7_client_bench.js COUNT ITEMS   (run with NODE_PATH pointing at tests/peers/node_modules)
'use strict';
const snap7 = require('node-snap7');
const count = parseInt(process.argv[2] || '20000', 10);
const items = parseInt(process.argv[3] || '1', 10);
const client = new snap7.S7Client();
if (!client.ConnectTo('127.0.0.1', 0, 2)) {
  console.error('connect failed: ' + client.ErrorText(client.LastError()));
  process.exit(1);
}
const multi = [];
for (let i = 0; i < items; ++i) {
  multi.push({ Area: client.S7AreaDB, WordLen: client.S7WLByte, DBNumber: 10, Start: i * 4, Amount: 4 });
}
const read = () => (items === 1 ? client.ReadArea(client.S7AreaDB, 10, 0, 4, client.S7WLByte) : client.ReadMultiVars(multi));
for (let i = 0; i < 200; ++i) read();
const lat = new Float64Array(count);
const cpu0 = process.cpuUsage();
const t0 = process.hrtime.bigint();
for (let i = 0; i < count; ++i) {
  const a = process.hrtime.bigint();
  if (!read()) {
    console.error('read failed');
    process.exit(1);
  }
  lat[i] = Number(process.hrtime.bigint() - a) / 1000;
}
const seconds = Number(process.hrtime.bigint() - t0) / 1e9;
const cpu = process.cpuUsage(cpu0);
lat.sort();
console.log(JSON.stringify({
  rps: count / seconds,
  p50_us: lat[Math.floor(count * 0.5)],
  p99_us: lat[Math.floor(count * 0.99)],
  cpu_us_per_request: (cpu.user + cpu.system) / count,
}));
client.Disconnect();
