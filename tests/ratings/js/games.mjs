// Plays seeded free-for-all games of 2 to 4 players through the npm openskill package with
// its default options and writes what went in and what came out, for tst_ratings to check
// the C++ update against.
//   node games.mjs OUT.json [GAMES=200] [SEED=24]
import { readFileSync, writeFileSync } from "node:fs";
import { ordinal, rate } from "openskill";

const [out, gamesArg = "200", seedArg = "24"] = process.argv.slice(2);
if (!out) {
  console.error("usage: node games.mjs OUT.json [GAMES] [SEED]");
  process.exit(2);
}

// mulberry32: small, seeded, the same games on every machine.
let state = Number(seedArg) >>> 0;
const random = () => {
  state = (state + 0x6d2b79f5) >>> 0;
  let t = state;
  t = Math.imul(t ^ (t >>> 15), t | 1);
  t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
  return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
};
const between = (lo, hi) => lo + (hi - lo) * random();
const whole = (lo, hi) => lo + Math.floor(random() * (hi - lo + 1));

const prior = (wide) => {
  if (random() < 0.15) return { mu: 25, sigma: 25 / 3 }; // a new player
  // Now and then very unsure ratings beside sure ones: the largest steps the update takes.
  return wide && random() < 0.5
    ? { mu: between(-20, 80), sigma: between(20, 60) }
    : { mu: between(0, 50), sigma: between(0.3, 9) };
};

const games = [];
for (let g = 0; g < Number(gamesArg); g++) {
  const n = 2 + (g % 3);
  const wide = g % 10 === 9;
  const players = Array.from({ length: n }, () => prior(wide));
  const game = { players };
  // Small ranges make ties common.
  if (random() < 0.5) game.ranks = players.map(() => whole(1, n));
  else game.scores = players.map(() => (random() < 0.3 ? whole(0, 3) * 50 : whole(0, 400)));
  const options = game.ranks ? { rank: game.ranks } : { score: game.scores };
  game.after = rate(
    players.map((p) => [{ ...p }]),
    options,
  ).map(([p]) => ({ mu: p.mu, sigma: p.sigma, ordinal: ordinal(p) }));
  games.push(game);
}

const pkg = JSON.parse(
  readFileSync(new URL("./node_modules/openskill/package.json", import.meta.url), "utf8"),
);
writeFileSync(out, JSON.stringify({ openskill: pkg.version, games }, null, 1));
