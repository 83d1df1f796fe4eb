// Script of the sample skin: marks the link of the page being shown.
/*% n$ = CompareString('==', System.TopicCount, 'System.TopicCount') %*/
var quenloftTopicCount = /*%AssignString(n$, '0', System.TopicCount)%*/;

document.addEventListener("DOMContentLoaded", function () {
  var here = location.pathname.split("/").pop() || "index.htm";
  document.querySelectorAll("a").forEach(function (link) {
    if (link.getAttribute("href").split("/").pop() === here) link.style.fontWeight = "bold";
  });
});
