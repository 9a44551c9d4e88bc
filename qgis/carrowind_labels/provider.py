"""The Processing provider "carrowind"."""
from qgis.core import QgsProcessingProvider

from .algorithms import ApplyLabelsAlgorithm, ResetLabelsAlgorithm


class CarrowindProvider(QgsProcessingProvider):
    def id(self):
        return "carrowind"

    def name(self):
        return "Carrowind"

    def longName(self):
        return "Carrowind legend labels"

    def loadAlgorithms(self):
        self.addAlgorithm(ApplyLabelsAlgorithm())
        self.addAlgorithm(ResetLabelsAlgorithm())
