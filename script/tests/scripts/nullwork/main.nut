// A slot "work" that holds null counts as absent.
work <- null;

function init() {
  return 7;
}
