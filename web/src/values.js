// Parameter values as text, the way the renderer prints and reads them:
// floats in the shortest decimal that reads back as the same single-precision
// value, choices as their index or (read) their name in any letter case.

// Text of a float that reads back as exactly v (v a single-precision value).
export function shortestFloat(v) {
  if (!Number.isFinite(v)) return String(v);
  for (let digits = 1; digits <= 9; digits++) {
    const t = Number(v.toPrecision(digits));
    if (Math.fround(t) === v) return String(t);
  }
  return String(v);
}

export function formatValue(param, v) {
  return param.choices.length ? String(Math.trunc(v)) : shortestFloat(v);
}

const NUMBER = /^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/;

// A parameter's value from text: { value } within the parameter's range,
// or { error } saying why not.
export function parseValue(param, text) {
  const t = String(text).trim();
  const range = `${formatValue(param, param.min)}..${formatValue(param, param.max)}`;
  if (param.choices.length) {
    const byName = param.choices.findIndex((c) => c.toLowerCase() === t.toLowerCase());
    if (byName >= 0) return { value: byName };
  }
  if (!NUMBER.test(t)) return { error: `${param.key}: '${t}' is not a number (${range})` };
  const value = Math.fround(Number(t));
  if (!Number.isFinite(value)) return { error: `${param.key}: '${t}' is not a finite number` };
  if (param.choices.length && value !== Math.floor(value))
    return { error: `${param.key}: '${t}' is not a whole number (${range})` };
  if (!(value >= param.min && value <= param.max))
    return { error: `${param.key}: ${t} is out of range (${range})` };
  return { value };
}

// Level in dBFS of a linear gain or amplitude, -Infinity for 0.
export function toDb(x) {
  return 20 * Math.log10(x);
}
