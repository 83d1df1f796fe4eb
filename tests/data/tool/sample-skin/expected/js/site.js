// Script of the sample skin: marks the link of the page being shown.

var quenloftTopicCount = 3;

document.addEventListener("DOMContentLoaded", function () {
  var here = location.pathname.split("/").pop() || "index.htm";
  document.querySelectorAll("a").forEach(function (link) {
    if (link.getAttribute("href").split("/").pop() === here) link.style.fontWeight = "bold";
  });
});
