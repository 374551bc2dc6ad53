// FMOD Studio deck of the Ostrelle Vantora wind instrument. Without it the
// 48 parameters would stand in one long row of dials; here they are grouped
// as the plug-in's parameter table groups them, the choices (shapes, filter
// type, speaker setup) as drop-down lists. FMOD Studio reads this file from
// beside vantora_fmod_studio_shared_mt.dll / .dylib.
(function () {
  var ui = studio.ui;
  var CHOICE = true;

  // Each group: its title, how many controls a row holds, and its controls
  // as [parameter name, name shown on the deck, choice?].
  var GROUPS = [
    { title: "Global", columns: 4, controls: [
      ["GlobalGain", "Gain"], ["GlobalSpeed", "Speed"], ["AutoToManual", "Manual"],
      ["GlobalMax", "Max"], ["GlobalRate", "Rate"], ["GlobalAttack", "Attack"],
      ["GlobalMin", "Min"], ["Format", "Speakers", CHOICE]] },
    { title: "Background flow", columns: 5, controls: [
      ["BackflowLevel", "Level"], ["BackflowShape", "Shape", CHOICE],
      ["BackflowFilter", "Filter", CHOICE], ["BackflowFreq", "Freq"], ["BackflowQ", "Q"],
      ["BackflowRate", "Rate"], ["VariationRange", "Range"], ["BackflowLoCut", "Low cut"],
      ["BackflowHiCut", "High cut"], ["BackflowCoupl", "Coupling"]] },
    { title: "Whistling", columns: 6, controls: [
      ["WhistlingLevel", "Level"], ["WhistlingShape", "Shape", CHOICE], ["WhistlingQ", "Q"],
      ["WhistlingFloor", "Floor"], ["WhistlingRate", "Rate"], ["WhistlingFmin", "Min freq"],
      ["WhistlingFmax", "Max freq"], ["WhistlingPres", "Presence"],
      ["WhistlingLoCut", "Low cut"], ["WhistlingHiCut", "High cut"],
      ["WhistlingCoupl", "Coupling"]] },
    { title: "Gusts", columns: 5, controls: [
      ["GustsLevel", "Level"], ["GustsShape", "Shape", CHOICE], ["GustsMax", "Max"],
      ["GustsRate", "Rate"], ["GustsAttack", "Attack"], ["GustsMin", "Min"],
      ["GustsLoCut", "Low cut"], ["GustsHiCut", "High cut"], ["GustsCoupl", "Coupling"]] },
    { title: "Squalls", columns: 4, controls: [
      ["SquallsLevel", "Level"], ["SquallsShape", "Shape", CHOICE], ["SquallsAmp", "Amount"],
      ["SquallsRate", "Rate"], ["SquallsFloor", "Floor"], ["SquallsLoCut", "Low cut"],
      ["SquallsHiCut", "High cut"], ["SquallsCoupl", "Coupling"]] },
    { title: "LFE", columns: 1, controls: [
      ["LFE", "Level"], ["LFECut", "High cut"]] }
  ];

  // A framed column: the group's title over a grid of its controls.
  function groupWidget(group) {
    var cells = [];
    for (var i = 0; i < group.controls.length; ++i) {
      var c = group.controls[i];
      cells.push({
        deckWidgetType: c[2] ? ui.deckWidgetType.Dropdown : ui.deckWidgetType.Dial,
        binding: c[0],
        row: Math.floor(i / group.columns),
        column: i % group.columns
      });
    }
    return {
      deckWidgetType: ui.deckWidgetType.Layout,
      layout: ui.layoutType.VBoxLayout,
      isFramed: true,
      spacing: 4,
      items: [
        { deckWidgetType: ui.deckWidgetType.Label, text: group.title },
        { deckWidgetType: ui.deckWidgetType.Layout, layout: ui.layoutType.GridLayout,
          spacing: 6, items: cells }
      ]
    };
  }

  var parameters = {};
  var columns = [];
  for (var g = 0; g < GROUPS.length; ++g) {
    for (var k = 0; k < GROUPS[g].controls.length; ++k)
      parameters[GROUPS[g].controls[k][0]] = { displayName: GROUPS[g].controls[k][1] };
    columns.push(groupWidget(GROUPS[g]));
  }

  studio.plugins.registerPluginDescription("Ostrelle Vantora", {
    companyName: "Ostrelle",
    productName: "Vantora",
    parameters: parameters,
    deckUi: {
      deckWidgetType: ui.deckWidgetType.Layout,
      layout: ui.layoutType.HBoxLayout,
      spacing: 10,
      items: columns
    }
  });
})();
