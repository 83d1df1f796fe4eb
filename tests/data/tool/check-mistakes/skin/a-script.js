// Patched first: the theme is not set yet.
var theme = '/*%theme$$%*/';
