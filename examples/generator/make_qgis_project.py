#!/usr/bin/python3
"""Writes examples/parcels.qgs, the sample QGIS project of docs/qgis.md, with
PyQGIS (Debian's python3-qgis) over the sample data in examples/data.
Run from anywhere: /usr/bin/python3 examples/generator/make_qgis_project.py"""
import os

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
from qgis.core import (QgsApplication, QgsCategorizedSymbolRenderer, QgsGraduatedSymbolRenderer, QgsLayoutItemLegend,
                       QgsLayoutPoint, QgsLayoutSize, QgsPrintLayout, QgsProject, QgsRendererRange, QgsStyle,
                       QgsSymbol, QgsUnitTypes, QgsVectorLayer, QgsVectorLayerJoinInfo)
from qgis.PyQt.QtGui import QColor

EXAMPLES = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))


def main():
    app = QgsApplication([], False)
    app.initQgis()
    project = QgsProject.instance()
    data = lambda path: os.path.join(EXAMPLES, "data", path)
    parcels = QgsVectorLayer(data("landuse.shp"), "Parcels", "ogr")
    size = QgsVectorLayer(data("landuse.shp"), "Parcel size", "ogr")
    north = QgsVectorLayer(data("landuse.gpkg") + "|layername=landuse|subset=\"DISTRICT\" = 'North'", "North parcels", "ogr")
    owners = QgsVectorLayer(data("owners.csv"), "owners", "ogr")
    project.addMapLayers([parcels, size, north, owners])

    # as QGIS's Classify button does: a category per value, nulls and
    # every other value in the category with the empty value
    for layer in (parcels, north):
        values = layer.uniqueValues(layer.fields().lookupField("USE"))
        categories = QgsCategorizedSymbolRenderer.createCategories(
            sorted(values, key=lambda v: str(v)), QgsSymbol.defaultSymbol(layer.geometryType()), layer, "USE")
        layer.setRenderer(QgsCategorizedSymbolRenderer("USE", categories))
        layer.renderer().updateColorRamp(QgsStyle.defaultStyle().colorRamp("Spectral"))

    bounds = [(0, 1, "up to 1"), (1, 3, "1 - 3"), (3, 8, "3 - 8"), (8, 40, "over 8")]
    colours = ["#edf8fb", "#b2e2e2", "#66c2a4", "#238b45"]
    ranges = []
    for (lower, upper, label), colour in zip(bounds, colours):
        symbol = QgsSymbol.defaultSymbol(size.geometryType())
        symbol.setColor(QColor(colour))
        ranges.append(QgsRendererRange(lower, upper, symbol, label))
    size.setRenderer(QgsGraduatedSymbolRenderer("ACRES", ranges))

    join = QgsVectorLayerJoinInfo()
    join.setJoinLayer(owners)
    join.setJoinFieldName("OWNER_ID")
    join.setTargetFieldName("OWNER_ID")
    join.setUsingMemoryCache(True)
    parcels.addJoin(join)

    layout = QgsPrintLayout(project)
    layout.initializeDefaults()
    layout.setName("Map sheet")
    legend = QgsLayoutItemLegend(layout)
    layout.addLayoutItem(legend)
    legend.setAutoUpdateModel(False)
    root = legend.model().rootGroup()
    for layer in (north, owners):
        root.removeLayer(layer)
    legend.attemptMove(QgsLayoutPoint(200, 20, QgsUnitTypes.LayoutMillimeters))
    legend.attemptResize(QgsLayoutSize(80, 160, QgsUnitTypes.LayoutMillimeters))
    project.layoutManager().addLayout(layout)

    assert project.write(os.path.join(EXAMPLES, "parcels.qgs"))
    app.exitQgis()


if __name__ == "__main__":
    main()
