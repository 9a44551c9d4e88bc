"""Carrowind Labels: legend labels made by the carrowind program, inside QGIS."""


def classFactory(iface):
    from .plugin import CarrowindPlugin
    return CarrowindPlugin(iface)
