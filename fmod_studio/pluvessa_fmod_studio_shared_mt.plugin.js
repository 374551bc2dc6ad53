// FMOD Studio deck of the Ostrelle Pluvessa rain instrument. Without it the
// 36 parameters would stand in one long row of dials; here they are grouped
// as the plug-in's parameter table groups them, the speaker setup as a
// drop-down list. FMOD Studio reads this file from beside
// pluvessa_fmod_studio_shared_mt.dll / .dylib. (Built as the wind's deck is:
// each file must stand alone.)
(function () {
  var ui = studio.ui;
  var CHOICE = true;

  // Each group: its title, how many controls a row holds, and its controls
  // as [parameter name, name shown on the deck, choice?]. The drops hold
  // both liquid layers, a row each.
  var GROUPS = [
    { title: "Global", columns: 4, controls: [
      ["GlobalGain", "Gain"], ["GlobalStrength", "Strength"], ["AutoToManual", "Manual"],
      ["GlobalMax", "Max"], ["GlobalRate", "Rate"], ["GlobalAttack", "Attack"],
      ["GlobalMin", "Min"], ["Format", "Speakers", CHOICE]] },
    { title: "Rumble", columns: 3, controls: [
      ["RumbleLevel", "Level"], ["RumbleDensity", "Density"], ["RumbleNotchQ", "Notch Q"],
      ["RumbleLoCut", "Low cut"], ["RumbleHiCut", "High cut"], ["RumbleCoupl", "Coupling"]] },
    { title: "Shower", columns: 2, controls: [
      ["ShowerLevel", "Level"], ["ShowerColor", "Colour"],
      ["ShowerLoCut", "Low cut"], ["ShowerHiCut", "High cut"]] },
    { title: "Drops", columns: 8, controls: [
      ["Liquid1Level", "1 Level"], ["Liquid1Density", "1 Density"],
      ["Liquid1Color", "1 Colour"], ["Liquid1Visc", "1 Viscosity"],
      ["Liquid1Min", "1 Low tone"], ["Liquid1Max", "1 High tone"],
      ["Liquid1LoCut", "1 Low cut"], ["Liquid1HiCut", "1 High cut"],
      ["Liquid2Level", "2 Level"], ["Liquid2Density", "2 Density"],
      ["Liquid2Color", "2 Colour"], ["Liquid2Visc", "2 Viscosity"],
      ["Liquid2Min", "2 Low tone"], ["Liquid2Max", "2 High tone"],
      ["Liquid2LoCut", "2 Low cut"], ["Liquid2HiCut", "2 High cut"]] },
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

  studio.plugins.registerPluginDescription("Ostrelle Pluvessa", {
    companyName: "Ostrelle",
    productName: "Pluvessa",
    parameters: parameters,
    deckUi: {
      deckWidgetType: ui.deckWidgetType.Layout,
      layout: ui.layoutType.HBoxLayout,
      spacing: 10,
      items: columns
    }
  });
})();
